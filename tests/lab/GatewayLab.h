#pragma once

#include <string>

#include "lab/Peer.h"

namespace zelto::lab {

/// One veth pair between the current namespace and a peer.
struct VethOptions {
    std::string localName = "lab0";
    std::string peerName = "lab1";
    /// Address and prefix of each end; an empty text leaves that end without one.
    std::string localAddress = "10.200.0.2/24";
    std::string peerAddress = "10.200.0.1/24";
};

/// Makes the veth pair, moves its far end into `peer`, gives both ends their addresses and
/// brings them up. Throws LabError on failure.
void linkToPeer(const Peer& peer, const VethOptions& options = {});

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

}  // namespace zelto::lab
