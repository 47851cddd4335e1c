#include "lab/Lab.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "lab/LinkUp.h"
#include "lab/SysFiles.h"

namespace zelto::lab {

namespace {

std::string errnoText(const std::string& what, int err = errno) {
    return what + ": " + std::strerror(err);
}

void writeAll(int fd, const void* data, std::size_t size) {
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
}

// Names the mount namespace inFreshNetns made, for overlayFile to check that it is in it.
constexpr const char* kPrivateMountsVariable = "ZELTO_LAB_PRIVATE_MOUNTS";

std::string mountNamespace() {
    char target[64] = {};
    const ssize_t n = ::readlink("/proc/self/ns/mnt", target, sizeof target - 1);
    return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

std::string probeAvailability() {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return errnoText("pipe");
    Process child = Process::start([&] {
        ::close(pipeFds[0]);
        std::string why;
        if (::unshare(CLONE_NEWNET) != 0) {
            why = errnoText("unshare(CLONE_NEWNET)") + " (the lab needs root)";
        } else {
            const CommandResult r =
                run({"ip", "link", "add", "zlab0", "type", "veth", "peer", "name", "zlab1"});
            if (!r.ok())
                why = "cannot make a veth pair with the ip command: " + r.output;
        }
        writeAll(pipeFds[1], why.data(), why.size());
        return 0;
    });
    ::close(pipeFds[1]);
    std::string why;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        why.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    if (child.wait() != 0 && why.empty())
        why = "the probe for network namespaces crashed";
    return why;
}

// Records the child writes to the parent: one write each, so records never interleave.
struct RecordHeader {
    char kind;  // 'F' failure, 'S' skip
    std::int32_t line;
    std::uint32_t fileSize;
    std::uint32_t messageSize;
};
constexpr std::size_t kMaxRecord = PIPE_BUF;

/// In the child: hands every failure and skip to the parent test instead of printing it.
class ReportToParent : public ::testing::EmptyTestEventListener {
  public:
    explicit ReportToParent(int fd) : fd_(fd) {}

    void OnTestPartResult(const ::testing::TestPartResult& result) override {
        if (result.type() == ::testing::TestPartResult::kSuccess)
            return;
        const std::string file = result.file_name() != nullptr ? result.file_name() : "";
        std::string message = result.message();
        const std::size_t room = kMaxRecord - sizeof(RecordHeader) - file.size();
        if (message.size() > room)
            message.resize(room);
        RecordHeader header{result.skipped() ? 'S' : 'F', result.line_number(),
                            static_cast<std::uint32_t>(file.size()),
                            static_cast<std::uint32_t>(message.size())};
        std::string record(reinterpret_cast<const char*>(&header), sizeof header);
        record += file + message;
        std::lock_guard lock(mutex_);
        writeAll(fd_, record.data(), record.size());
    }

  private:
    int fd_;
    std::mutex mutex_;
};

[[noreturn]] void runChild(const std::function<void()>& body, const NetnsOptions& options,
                           int reportFd) {
    auto& listeners = ::testing::UnitTest::GetInstance()->listeners();
    // The parent prints what the child reports; the child printing it too would double it.
    delete listeners.Release(listeners.default_result_printer());
    listeners.Append(std::make_unique<ReportToParent>(reportFd).release());

    const int flags = CLONE_NEWNET | (options.privateMounts ? CLONE_NEWNS : 0);
    if (::unshare(flags) != 0) {
        ADD_FAILURE() << errnoText("unshare");
    } else {
        bool ready = true;
        if (options.privateMounts) {
            // Private, so that nothing mounted here shows outside; a sysfs of our own, so that
            // /sys/class/net lists this namespace's links and not the machine's.
            if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
                ADD_FAILURE() << errnoText("making mounts private");
                ready = false;
            } else {
                ::setenv(kPrivateMountsVariable, mountNamespace().c_str(), 1);
                if (::mount("sysfs", "/sys", "sysfs", 0, nullptr) != 0)
                    std::fprintf(stderr, "lab: /sys not remounted (%s)\n", std::strerror(errno));
            }
        }
        if (const int err = bringLinkUp("lo"); ready && err != 0) {
            ADD_FAILURE() << errnoText("lo up", err);
            ready = false;
        }
        if (ready) {
            try {
                body();
            } catch (const std::exception& e) {
                ADD_FAILURE() << "exception in the lab body: " << e.what();
            } catch (...) {
                ADD_FAILURE() << "unknown exception in the lab body";
            }
        }
    }
    std::fflush(nullptr);
    ::_exit(0);
}

struct ChildReport {
    std::vector<std::pair<RecordHeader, std::pair<std::string, std::string>>> records;
};

/// Splits what the child wrote into records; returns the bytes used.
std::size_t parseRecords(const std::string& bytes, ChildReport& report) {
    std::size_t at = 0;
    while (bytes.size() - at >= sizeof(RecordHeader)) {
        RecordHeader h;
        std::memcpy(&h, bytes.data() + at, sizeof h);
        const std::size_t size = sizeof h + h.fileSize + h.messageSize;
        if (bytes.size() - at < size)
            break;
        std::string file = bytes.substr(at + sizeof h, h.fileSize);
        std::string message = bytes.substr(at + sizeof h + h.fileSize, h.messageSize);
        report.records.push_back({h, {std::move(file), std::move(message)}});
        at += size;
    }
    return at;
}

}  // namespace

std::string unavailableReason() {
    static const std::string reason = probeAvailability();
    return reason;
}

bool inCi() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::string(ci) == "true";
}

void inFreshNetns(const std::function<void()>& body, const NetnsOptions& options) {
    if (const std::string why = unavailableReason(); !why.empty()) {
        if (inCi()) {
            ADD_FAILURE() << "The network lab must run under CI but cannot: " << why;
            return;
        }
        GTEST_SKIP() << "The network lab cannot run here: " << why;
    }
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        ADD_FAILURE() << errnoText("pipe");
        return;
    }
    std::fflush(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(report[0]);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(126);
        runChild(body, options, report[1]);
    }
    ::close(report[1]);
    if (pid < 0) {
        ::close(report[0]);
        ADD_FAILURE() << errnoText("fork");
        return;
    }
    ::fcntl(report[0], F_SETFL, O_NONBLOCK);

    // The child's end of the pipe may live on in processes it forked, so the end of the child
    // itself (its pidfd, or waitpid) says when the report is complete, not the pipe's EOF.
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    const auto deadline = std::chrono::steady_clock::now() + options.timeout;
    std::string bytes;
    ChildReport report_;
    bool exited = false;
    bool timedOut = false;
    int status = 0;
    auto drain = [&] {
        char buffer[4096];
        for (ssize_t n; (n = ::read(report[0], buffer, sizeof buffer)) > 0;)
            bytes.append(buffer, static_cast<std::size_t>(n));
        bytes.erase(0, parseRecords(bytes, report_));
    };
    while (!exited) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            ::kill(pid, SIGKILL);
            break;
        }
        pollfd fds[2] = {{report[0], POLLIN, 0}, {pidfd, POLLIN, 0}};
        const int wait = pidfd >= 0 ? static_cast<int>(left.count())
                                    : static_cast<int>(std::min<long>(left.count(), 20));
        ::poll(fds, pidfd >= 0 ? 2 : 1, wait);
        drain();
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        exited = r == pid;
    }
    if (!exited) {
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    drain();
    if (pidfd >= 0)
        ::close(pidfd);
    ::close(report[0]);

    std::optional<std::string> skip;
    for (const auto& [h, where] : report_.records) {
        if (h.kind == 'S')
            skip = where.second;
        else  // ADD_FAILURE_AT says "Failed" itself.
            ADD_FAILURE_AT(where.first.c_str(), h.line)
                << (where.second.rfind("Failed\n", 0) == 0 ? where.second.substr(7) : where.second);
    }
    if (timedOut) {
        ADD_FAILURE() << "The lab body ran longer than " << options.timeout.count()
                      << " ms and was killed";
    } else if (WIFSIGNALED(status)) {
        ADD_FAILURE() << "The lab body was ended by signal " << WTERMSIG(status) << " ("
                      << strsignal(WTERMSIG(status)) << ")";
    } else if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
        ADD_FAILURE() << "The lab body exited with code " << WEXITSTATUS(status);
    }
    if (skip && !::testing::Test::HasFailure())
        GTEST_SKIP() << *skip;
}

void sysctl(const std::string& key, const std::string& value) {
    if (!writeFile(sysctlPath(key), value + "\n"))
        throw LabError(errnoText("sysctl " + key + "=" + value));
}

std::string readSysctl(const std::string& key) {
    std::optional<std::string> text = readFile(sysctlPath(key));
    if (!text)
        throw LabError(errnoText("cannot read sysctl " + key));
    while (!text->empty() && text->back() == '\n')
        text->pop_back();
    return *text;
}

void overlayFile(const std::string& path, const std::string& content) {
    // Only in the mount namespace the lab made: a bind mount in the machine's would change the
    // file for everyone.
    const char* mine = std::getenv(kPrivateMountsVariable);
    if (mine == nullptr || mine != mountNamespace())
        throw LabError("overlayFile(" + path + ") needs inFreshNetns with private mounts");
    char temp[] = "/tmp/zelto-lab-XXXXXX";
    const int fd = ::mkstemp(temp);
    if (fd < 0)
        throw LabError(errnoText("mkstemp"));
    writeAll(fd, content.data(), content.size());
    ::fchmod(fd, 0644);
    ::close(fd);
    const int mounted = ::mount(temp, path.c_str(), nullptr, MS_BIND, nullptr);
    const int err = errno;
    // The mount keeps the file alive; its name can go now so that nothing is left behind.
    ::unlink(temp);
    if (mounted != 0)
        throw LabError(errnoText("bind mount over " + path, err));
}

void dropCapability(int capability) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (::syscall(SYS_capget, &header, data) != 0)
        throw LabError(errnoText("capget"));
    const auto bit = 1u << (capability % 32);
    auto& word = data[capability / 32];
    word.effective &= ~bit;
    word.permitted &= ~bit;
    word.inheritable &= ~bit;
    if (::syscall(SYS_capset, &header, data) != 0)
        throw LabError(errnoText("capset"));
    // Out of the bounding set too, so that no program this body starts gets it back.
    ::prctl(PR_CAPBSET_DROP, capability, 0, 0, 0);
}

}  // namespace zelto::lab
