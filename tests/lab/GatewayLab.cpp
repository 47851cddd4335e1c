#include "lab/GatewayLab.h"

#include "lab/Command.h"

namespace zelto::lab {

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
