#pragma once

// The network lab: everything a test needs to probe more than loopback without a packet ever
// reaching this machine's real network. A test runs its body in a forked child inside a fresh
// network namespace (only lo, up) and, where it needs one, a peer namespace linked by a veth
// pair plays the gateway. No named namespace is made; every namespace is held by a process
// that dies with the test, so nothing is left behind.
//
//     #include "lab/Lab.h"
//
//     TEST(Cli, FailsWhenTheGatewayIgnoresPings) {
//         zelto::lab::inFreshNetns([] {
//             zelto::lab::GatewayLab lab;  // 10.200.0.2 here, default route via 10.200.0.1
//             lab.peer().sysctl("net.ipv4.icmp_echo_ignore_all", "1");
//             zelto::lab::overlayFile("/etc/resolv.conf", "nameserver 10.200.0.1\n");
//             auto r = zelto::lab::run({ZELTO_BIN_DIR "/zelto-cli", "run"});
//             EXPECT_EQ(r.exitCode, 2) << r.output;
//         });
//     }
//
// Inside the body, gtest assertions work as usual: the child prints its failures and the parent
// test fails with it. Lab helpers throw LabError, which ends the body and fails the test with
// its message printed. The body may make threads; make Peers and Processes on the body's own
// thread.
//
// The lab needs root (CAP_SYS_ADMIN and CAP_NET_ADMIN), unshare(CLONE_NEWNET), veth and the
// ip command. Where they are missing, inFreshNetns skips the test, or fails it when the
// environment variable CI is "true".

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace zelto::lab {

/// A lab step that failed: a command, a fork, a sysctl, a mount.
struct LabError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

/// A forked copy of this process running one function; killed and reaped when the object goes.
/// The child also dies with the thread that made it (PR_SET_PDEATHSIG), so make it on the
/// thread that lives longest (the test's own).
class Process {
  public:
    /// Forks; the child runs `fn` (inside the network namespace of `netnsOf` when not 0) and
    /// exits with its result (125 when it throws, its message on standard error). Throws
    /// LabError when the fork fails.
    static Process start(const std::function<int()>& fn, pid_t netnsOf = 0);

    Process(Process&& other) noexcept : pid_(std::exchange(other.pid_, -1)) {}
    /// The child this one held goes with `other`.
    Process& operator=(Process&& other) noexcept {
        std::swap(pid_, other.pid_);
        return *this;
    }
    ~Process();

    pid_t pid() const { return pid_; }
    /// Waits for the child to end: its exit code, or 128 + the signal that ended it.
    int wait();
    /// As wait(), but kills the child after `limit` and then answers -1.
    int waitAtMost(std::chrono::milliseconds limit);

  private:
    explicit Process(pid_t pid) : pid_(pid) {}
    pid_t pid_ = -1;
};

/// How a command ended: its exit code (128 + signal when one ended it, -1 when it was killed
/// after 30 s) and what it wrote to standard output and standard error, interleaved.
struct CommandResult {
    int exitCode = -1;
    std::string output;
    bool ok() const { return exitCode == 0; }
};

/// Runs `argv` (argv[0] looked up in PATH, standard input /dev/null) and waits for it, inside
/// the network namespace of `netnsOf` (a Peer's pid) when not 0.
CommandResult run(const std::vector<std::string>& argv, pid_t netnsOf = 0);
/// Runs ip with `args` split at spaces, e.g. ip("route add default via 10.200.0.1"), and
/// throws LabError with its output unless it exits 0.
void ip(const std::string& args, pid_t netnsOf = 0);

/// A second network namespace, held open by a stopped child process, that plays a gateway or
/// another host. It starts with lo up and nothing else. Destroying the Peer ends the process:
/// its namespace and every link in it vanish.
class Peer {
  public:
    /// Throws LabError when the namespace cannot be made.
    Peer();

    /// The holder's pid: what `ip link set ... netns <pid>` and nsenter -t <pid> -n take.
    pid_t pid() const { return holder_.pid(); }
    /// ip(args) inside the peer namespace, e.g. peer.ip("route add blackhole 10.201.0.0/16").
    void ip(const std::string& args) const { lab::ip(args, pid()); }
    /// Sets a sysctl of the peer namespace, e.g. sysctl("net.ipv4.icmp_echo_ignore_all", "1").
    void sysctl(const std::string& key, const std::string& value) const;
    /// Starts `fn` in a forked child inside the peer namespace (a listener, a responder ...).
    Process spawn(const std::function<int()>& fn) const { return Process::start(fn, pid()); }

  private:
    Process holder_;
};

/// The usual set-up: this namespace's lab0 is 10.200.0.2/24 and its default route goes via the
/// peer's lab1, 10.200.0.1/24, which forwards. Nothing lies beyond the peer unless a test
/// adds it (addresses on the peer's lo, routes, blackholes).
class GatewayLab {
  public:
    static constexpr const char* kLocal = "10.200.0.2";
    static constexpr const char* kGateway = "10.200.0.1";

    /// `defaultRoute` false leaves this namespace with the on-link route only.
    explicit GatewayLab(bool defaultRoute = true);

    const Peer& peer() const { return peer_; }

  private:
    Peer peer_;
};

/// Runs `body` in a forked child inside a fresh network namespace whose only link is lo (up),
/// with a private mount namespace and a /sys of its own (so /sys/class/net shows this
/// namespace's links). A failure in `body`, an escaping exception, a crash, an exit or a run
/// longer than 60 s fail this test. Skips (or, under CI, fails) when the lab cannot run here.
void inFreshNetns(const std::function<void()>& body);

/// Sets a sysctl of the current network namespace: sysctl("net.ipv4.ping_group_range", "0 0").
void sysctl(const std::string& key, const std::string& value);

/// Makes `path` read as `content` for this body only (a bind mount in its private mount
/// namespace), e.g. /etc/resolv.conf or /etc/hosts. Refuses outside inFreshNetns.
void overlayFile(const std::string& path, const std::string& content);

/// How many entries a folder holds besides "." and "..", such as /proc/self/fd (open
/// descriptors) or /proc/self/task (threads); 0 when it cannot be read.
std::size_t countEntries(const char* folder);

}  // namespace zelto::lab
