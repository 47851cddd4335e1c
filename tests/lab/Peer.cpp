#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include "lab/Lab.h"

namespace zelto::lab {

Peer::Peer() {
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0)
        throw LabError("pipe failed");
    holder_ = Process::start([&]() -> int {
        const char answer = ::unshare(CLONE_NEWNET) == 0 ? '+' : '-';
        [[maybe_unused]] const ssize_t n = ::write(ready[1], &answer, 1);
        // The holder must not keep a test's pipes open for as long as it lives.
        ::close_range(3, ~0U, 0);
        for (;;)
            ::pause();
    });
    ::close(ready[1]);
    char answer = 0;
    [[maybe_unused]] const ssize_t n = ::read(ready[0], &answer, 1);
    ::close(ready[0]);
    if (answer != '+')
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

void linkToPeer(const Peer& peer, const VethOptions& options) {
    ip("link add " + options.localName + " type veth peer name " + options.peerName + " netns " +
       std::to_string(peer.pid()));
    if (!options.localAddress.empty())
        ip("addr add " + options.localAddress + " dev " + options.localName);
    ip("link set " + options.localName + " up");
    if (!options.peerAddress.empty())
        peer.ip("addr add " + options.peerAddress + " dev " + options.peerName);
    peer.ip("link set " + options.peerName + " up");
}

GatewayLab::GatewayLab(bool defaultRoute) {
    linkToPeer(peer_);
    peer_.sysctl("net.ipv4.ip_forward", "1");
    if (defaultRoute)
        ip(std::string("route add default via ") + kGateway);
}

}  // namespace zelto::lab
