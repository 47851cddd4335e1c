#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "lab/Command.h"
#include "lab/Process.h"

namespace zelto::lab {

/// A second network namespace, held open by a forked process, that plays a gateway or another
/// host. It starts with lo up and nothing else; give it links with linkToPeer (GatewayLab.h).
/// Destroying the Peer ends the process: its namespace and every link in it vanish.
class Peer {
  public:
    /// Throws LabError when the namespace cannot be made.
    Peer();
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;
    ~Peer();

    /// The holder's pid: what `ip link set ... netns <pid>` and nsenter -t <pid> -n take.
    pid_t pid() const { return holder_.pid(); }

    /// Runs a command inside the peer namespace.
    CommandResult run(const std::vector<std::string>& argv) const;
    /// Runs a command inside the peer namespace; throws LabError unless it exits 0.
    void must(const std::vector<std::string>& argv) const;
    /// ip(args) inside the peer namespace, e.g. peer.ip("route add blackhole 10.201.0.0/16").
    void ip(const std::string& args) const;
    /// Sets a sysctl of the peer namespace, e.g. sysctl("net.ipv4.icmp_echo_ignore_all", "1").
    void sysctl(const std::string& key, const std::string& value) const;
    std::string readSysctl(const std::string& key) const;

    /// Runs `fn` in a forked child inside the peer namespace and returns its exit code.
    int call(const std::function<int()>& fn) const;
    /// Starts `fn` in a forked child inside the peer namespace (a listener, a responder ...).
    Process spawn(const std::function<int()>& fn) const;

  private:
    // The write end of a pipe the holder reads: closing it tells the holder to end.
    int lifeline_ = -1;
    Process holder_;
};

}  // namespace zelto::lab
