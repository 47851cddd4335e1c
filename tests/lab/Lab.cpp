// The network lab: the body's forked child and its namespaces, commands, and the peers.

#include "lab/Lab.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include <gtest/gtest.h>

namespace zelto::lab {

Process Process::start(const std::function<int()>& fn, pid_t netnsOf) {
    const std::string ns = "/proc/" + std::to_string(netnsOf) + "/ns/net";
    const int nsFd = netnsOf == 0 ? -1 : ::open(ns.c_str(), O_RDONLY | O_CLOEXEC);
    // Unwritten buffers would otherwise be written twice, once by each process.
    std::fflush(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = netnsOf != 0 && nsFd < 0 ? -1 : ::fork();
    if (pid == 0) {
        // A child must not outlive a test that crashed or was killed by its time-out.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        int code = 126;
        try {
            if (::getppid() == parent && (nsFd < 0 || ::setns(nsFd, CLONE_NEWNET) == 0))
                code = fn();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "lab process: %s\n", e.what());
            code = 125;
        }
        std::fflush(nullptr);
        // _exit: the copy of the test program must not run its exit handlers a second time.
        ::_exit(code);
    }
    const std::string why = std::strerror(errno);
    if (nsFd >= 0)
        ::close(nsFd);
    if (pid < 0)
        throw LabError("cannot start a lab process (namespace " + ns + "): " + why);
    return Process(pid);
}

Process::~Process() {
    if (pid_ > 0)
        ::kill(pid_, SIGKILL);
    wait();
}

int Process::wait() {
    int status = 0;
    pid_t r = -1;
    while (pid_ > 0 && (r = ::waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return r <= 0 ? -1 : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int Process::waitAtMost(std::chrono::milliseconds limit) {
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
    if (pidfd < 0)
        throw LabError(std::string("pidfd_open failed: ") + std::strerror(errno));
    pollfd ended{pidfd, POLLIN, 0};
    int n;
    while ((n = ::poll(&ended, 1, static_cast<int>(limit.count()))) < 0 && errno == EINTR) {
    }
    ::close(pidfd);
    if (n <= 0)
        ::kill(pid_, SIGKILL);
    const int code = wait();
    return n > 0 ? code : -1;
}

CommandResult run(const std::vector<std::string>& argv, pid_t netnsOf) {
    // Everything the child needs is made before the fork: after it, only system calls.
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    // A file, not a pipe: what the command leaves running cannot hold the result back.
    const int out = ::memfd_create("lab-output", MFD_CLOEXEC);
    Process child = Process::start(
        [&] {
            ::dup2(::open("/dev/null", O_RDONLY | O_CLOEXEC), 0);
            ::dup2(out, 1);
            ::dup2(out, 2);
            ::execvp(args[0], args.data());
            std::fprintf(stderr, "exec %s failed: %s\n", args[0], std::strerror(errno));
            return 127;
        },
        netnsOf);
    CommandResult result{child.waitAtMost(std::chrono::seconds(30)), {}};
    std::ifstream written("/proc/self/fd/" + std::to_string(out));
    result.output.assign(std::istreambuf_iterator<char>(written), {});
    ::close(out);
    return result;
}

void ip(const std::string& args, pid_t netnsOf) {
    std::istringstream in(args);
    std::vector<std::string> argv{"ip"};
    argv.insert(argv.end(), std::istream_iterator<std::string>(in), {});
    if (const CommandResult r = run(argv, netnsOf); !r.ok())
        throw LabError("ip " + args + " exited with " + std::to_string(r.exitCode) + ": " +
                       r.output);
}

Peer::Peer()
    : holder_(Process::start([] {
          // The holder must not keep a test's pipes open for as long as it lives.
          ::close_range(3, ~0U, 0);
          // Stopped, it holds the namespace until it is killed.
          return ::unshare(CLONE_NEWNET) == 0 ? ::raise(SIGSTOP) : 1;
      })) {
    int status = 0;
    if (::waitpid(pid(), &status, WUNTRACED) != pid() || !WIFSTOPPED(status))
        throw LabError("cannot make the peer's network namespace");
    ip("link set lo up");
}

void Peer::sysctl(const std::string& key, const std::string& value) const {
    // /proc/sys/net belongs to the namespace of whoever opens it: a child in the peer writes.
    if (spawn([&] { return lab::sysctl(key, value), 0; }).wait() != 0)
        throw LabError("peer sysctl " + key + "=" + value + " failed");
}

GatewayLab::GatewayLab(bool defaultRoute) {
    ip("link add lab0 type veth peer name lab1 netns " + std::to_string(peer_.pid()));
    ip("addr add 10.200.0.2/24 dev lab0");
    ip("link set lab0 up");
    peer_.ip("addr add 10.200.0.1/24 dev lab1");
    peer_.ip("link set lab1 up");
    peer_.sysctl("net.ipv4.ip_forward", "1");
    if (defaultRoute)
        ip(std::string("route add default via ") + kGateway);
}

std::size_t countEntries(const char* folder) {
    std::error_code error;
    return static_cast<std::size_t>(std::distance(
        std::filesystem::directory_iterator(folder, error), std::filesystem::directory_iterator()));
}

namespace {

// Names the mount namespace inFreshNetns made, for overlayFile to check that it is in it.
constexpr const char* kPrivateMounts = "ZELTO_LAB_PRIVATE_MOUNTS";

std::string mountNamespace() {
    char target[64] = {};
    return ::readlink("/proc/self/ns/mnt", target, sizeof target - 1) > 0 ? target : "";
}

// In the forked child, whose copy of gtest prints the body's failures as they happen.
int runChild(const std::function<void()>& body) {
    // Private mounts, so that nothing mounted here shows outside.
    if (::unshare(CLONE_NEWNET | CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        throw LabError(std::string("unshare: ") + std::strerror(errno));
    ::setenv(kPrivateMounts, mountNamespace().c_str(), 1);
    // A sysfs of our own, so that /sys/class/net lists this namespace's links.
    ::mount("sysfs", "/sys", "sysfs", 0, nullptr);
    ip("link set lo up");
    body();
    // Failures the test had before the body count too: the parent fails either way.
    return ::testing::Test::HasFailure() ? 1 : 0;
}

}  // namespace

void inFreshNetns(const std::function<void()>& body) {
    // Whether namespaces with a veth pair can be made here, probed once per process.
    static const CommandResult probe = run({"unshare", "--net", "ip", "link", "add", "zlab0",
                                            "type", "veth", "peer", "name", "zlab1"});
    if (!probe.ok()) {
        if (const char* ci = std::getenv("CI"); ci != nullptr && std::string(ci) == "true")
            FAIL() << "The network lab must run under CI but cannot (it needs root): "
                   << probe.output;
        GTEST_SKIP() << "The network lab cannot run here (it needs root): " << probe.output;
    }
    const int status =
        Process::start([&] { return runChild(body); }).waitAtMost(std::chrono::seconds(60));
    if (status == -1)
        ADD_FAILURE() << "The lab body ran longer than 60 s and was killed";
    else if (status != 0)
        ADD_FAILURE() << "The lab body failed with status " << status
                      << " (above 128: a signal; else see what it printed above)";
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
    const std::string why = std::strerror(errno);
    // The mount keeps the file alive; its name can go now so that nothing is left behind.
    ::unlink(temp);
    if (mounted != 0)
        throw LabError("bind mount over " + path + ": " + why);
}

}  // namespace zelto::lab
