#include "lab/Lab.h"

#include <sched.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>

#include <gtest/gtest.h>

namespace zelto::lab {

namespace {

std::string errnoText(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

// Names the mount namespace inFreshNetns made, for overlayFile to check that it is in it.
constexpr const char* kPrivateMounts = "ZELTO_LAB_PRIVATE_MOUNTS";

std::string mountNamespace() {
    char target[64] = {};
    return ::readlink("/proc/self/ns/mnt", target, sizeof target - 1) > 0 ? target : "";
}

// Memory the body's process shares with the test: its failures and skips, each a kind ('F' or
// 'S') and its text, ended by a NUL.
struct Report {
    static constexpr std::size_t kSize = 1 << 20;
    std::atomic<std::size_t> used;
    char bytes[kSize + 1];  // the last stays NUL, so a record cut short still ends
};

/// In the child: hands every failure and skip to the parent test instead of printing it.
class ReportToParent : public ::testing::EmptyTestEventListener {
  public:
    explicit ReportToParent(Report& report) : report_(report) {}

    void OnTestPartResult(const ::testing::TestPartResult& r) override {
        if (r.type() == ::testing::TestPartResult::kSuccess)
            return;
        // "Failed" is the parent's to say.
        const std::string_view message = r.message();
        const std::string record =
            (r.skipped() ? "S" : "F") + std::string(r.file_name() ? r.file_name() : "?") + ":" +
            std::to_string(r.line_number()) + ": " +
            std::string(message.substr(message.starts_with("Failed\n") ? 7 : 0)) + '\0';
        // Reserved atomically: threads of the body, and processes it forks, may report at once.
        const std::size_t at = report_.used.fetch_add(record.size());
        if (at + record.size() <= Report::kSize)
            std::memcpy(report_.bytes + at, record.data(), record.size());
    }

  private:
    Report& report_;
};

[[noreturn]] void runChild(const std::function<void()>& body, Report& report) {
    auto& listeners = ::testing::UnitTest::GetInstance()->listeners();
    // The parent prints what the child reports; the child printing it too would double it.
    delete listeners.Release(listeners.default_result_printer());
    listeners.Append(new ReportToParent(report));
    try {
        // Private mounts, so that nothing mounted here shows outside.
        if (::unshare(CLONE_NEWNET | CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            throw LabError(errnoText("unshare"));
        ::setenv(kPrivateMounts, mountNamespace().c_str(), 1);
        // A sysfs of our own, so that /sys/class/net lists this namespace's links.
        ::mount("sysfs", "/sys", "sysfs", 0, nullptr);
        ip("link set lo up");
        body();
    } catch (const std::exception& e) {
        ADD_FAILURE() << "exception in the lab body: " << e.what();
    }
    std::fflush(nullptr);
    ::_exit(0);
}

/// "" when network namespaces can be made here; otherwise why not. Probed once per process.
std::string unavailableReason() {
    static const std::string reason = [] {
        const CommandResult r = run({"unshare", "--net", "ip", "link", "add", "zlab0", "type",
                                     "veth", "peer", "name", "zlab1"});
        return r.ok() ? "" : "no network namespace with a veth pair (needs root): " + r.output;
    }();
    return reason;
}

}  // namespace

void inFreshNetns(const std::function<void()>& body, const NetnsOptions& options) {
    if (const std::string why = unavailableReason(); !why.empty()) {
        if (const char* ci = std::getenv("CI"); ci != nullptr && std::string(ci) == "true") {
            ADD_FAILURE() << "The network lab must run under CI but cannot: " << why;
            return;
        }
        GTEST_SKIP() << "The network lab cannot run here: " << why;
    }
    void* shared =
        ::mmap(nullptr, sizeof(Report), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(shared, MAP_FAILED) << errnoText("mmap");
    Report& report = *new (shared) Report;
    const int status =
        Process::start([&]() -> int { runChild(body, report); }).waitAtMost(options.timeout);

    std::optional<std::string> skip;
    for (std::size_t at = 0; at < std::min(report.used.load(), Report::kSize);) {
        const std::string record(report.bytes + at);
        at += record.size() + 1;
        if (record.starts_with('S'))
            skip = record.substr(1);
        else
            ADD_FAILURE() << record.substr(1);
    }
    ::munmap(shared, sizeof(Report));
    if (status == -1)
        ADD_FAILURE() << "The lab body ran longer than " << options.timeout.count()
                      << " ms and was killed";
    else if (status > 128)
        ADD_FAILURE() << "The lab body was ended by signal " << status - 128 << " ("
                      << strsignal(status - 128) << ")";
    else if (status != 0)
        ADD_FAILURE() << "The lab body exited with code " << status;
    if (skip && !::testing::Test::HasFailure())
        GTEST_SKIP() << *skip;
}

void sysctl(const std::string& key, const std::string& value) {
    std::string path = "/proc/sys/" + key;
    std::replace(path.begin(), path.end(), '.', '/');
    std::ofstream out(path);
    // A sysctl takes its value in one write: the one the close makes.
    out << value << '\n';
    out.close();
    if (!out)
        throw LabError("sysctl " + key + "=" + value + " failed");
}

void overlayFile(const std::string& path, const std::string& content) {
    // Only in the mount namespace the lab made: a bind mount in the machine's would change the
    // file for everyone.
    const char* mine = std::getenv(kPrivateMounts);
    if (mine == nullptr || mine != mountNamespace())
        throw LabError("overlayFile(" + path + ") needs inFreshNetns");
    char temp[] = "/tmp/zelto-lab-XXXXXX";
    ::close(::mkstemp(temp));
    std::ofstream(temp) << content;
    ::chmod(temp, 0644);
    const int mounted = ::mount(temp, path.c_str(), nullptr, MS_BIND, nullptr);
    const std::string why = errnoText("bind mount over " + path);
    // The mount keeps the file alive; its name can go now so that nothing is left behind.
    ::unlink(temp);
    if (mounted != 0)
        throw LabError(why);
}

}  // namespace zelto::lab
