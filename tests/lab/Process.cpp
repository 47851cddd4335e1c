// The lab's processes: forked children, commands, and the peers that hold namespaces.

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <utility>

#include "lab/Lab.h"

namespace zelto::lab {

Process Process::start(const std::function<int()>& fn, pid_t netnsOf) {
    const std::string ns = "/proc/" + std::to_string(netnsOf) + "/ns/net";
    const int nsFd = netnsOf == 0 ? -1 : ::open(ns.c_str(), O_RDONLY | O_CLOEXEC);
    if (netnsOf != 0 && nsFd < 0)
        throw LabError("cannot open " + ns + ": " + std::strerror(errno));
    // Unwritten buffers would otherwise be written twice, once by each process.
    std::fflush(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
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
    const int err = errno;
    if (nsFd >= 0)
        ::close(nsFd);
    if (pid < 0)
        throw LabError(std::string("fork failed: ") + std::strerror(err));
    return Process(pid);
}

Process::Process(Process&& other) noexcept : pid_(std::exchange(other.pid_, -1)) {}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        kill();
        pid_ = std::exchange(other.pid_, -1);
    }
    return *this;
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
    if (n > 0)
        return wait();
    kill();
    return -1;
}

void Process::kill() {
    if (pid_ > 0)
        ::kill(pid_, SIGKILL);
    wait();
}

CommandResult run(const std::vector<std::string>& argv, const RunOptions& options) {
    // Everything the child needs is made before the fork: after it, only system calls.
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    // A file, not a pipe: what the command leaves running cannot hold the result back.
    const int out = ::memfd_create("lab-output", MFD_CLOEXEC);
    if (argv.empty() || out < 0)
        throw LabError("run: no command or no memfd");
    Process child = Process::start(
        [&] {
            ::dup2(::open("/dev/null", O_RDONLY | O_CLOEXEC), 0);
            ::dup2(out, 1);
            ::dup2(out, 2);
            ::execvp(args[0], args.data());
            std::fprintf(stderr, "exec %s failed: %s\n", args[0], std::strerror(errno));
            return 127;
        },
        options.netnsOf);
    CommandResult result{child.waitAtMost(options.timeout), {}};
    std::ifstream written("/proc/self/fd/" + std::to_string(out));
    result.output.assign(std::istreambuf_iterator<char>(written), {});
    ::close(out);
    if (result.exitCode == -1)
        result.output += "\n(killed after " + std::to_string(options.timeout.count()) + " ms)";
    return result;
}

void must(const std::vector<std::string>& argv, const RunOptions& options) {
    const CommandResult r = run(argv, options);
    if (!r.ok())
        throw LabError("'" + argv[0] + "' exited with " + std::to_string(r.exitCode) + ": " +
                       r.output);
}

void ip(const std::string& args, const RunOptions& options) {
    std::istringstream in(args);
    std::vector<std::string> argv{"ip"};
    argv.insert(argv.end(), std::istream_iterator<std::string>(in), {});
    must(argv, options);
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

void Peer::ip(const std::string& args) const {
    lab::ip(args, {pid()});
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

}  // namespace zelto::lab
