#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "netparams/NetSources.h"

namespace zelto::netparams {

class SystemBus;

/// Where the network managers keep their configuration and the DHCP clients their leases.
struct DhcpPaths {
    std::string networkdLeases = "/run/systemd/netif/leases";
    std::vector<std::string> dhclientDirs = {"/var/lib/dhcp", "/var/lib/dhclient",
                                             "/var/lib/NetworkManager"};
    std::vector<std::string> dhcpcdDirs = {"/var/lib/dhcpcd", "/var/lib/dhcpcd5", "/var/db/dhcpcd"};
    /// systemd-networkd's per-link state.
    std::string networkdLinks = "/run/systemd/netif/links";
    /// ifupdown's configuration: the file and the folder of further files.
    std::string ifupdownFile = "/etc/network/interfaces";
    std::string ifupdownDir = "/etc/network/interfaces.d";
    /// Where DHCP clients leave their pid files, and the processes they name.
    std::string run = "/run";
    std::string proc = "/proc";
    /// NetworkManager's internal client's leases, read when the bus cannot be asked.
    std::string networkManagerLeases = "/var/lib/NetworkManager";
};

/// Whether a link gets its address by DHCP, from the configuration: NetworkManager's active
/// connection (over the system bus, when given), systemd-networkd's link state and .network
/// file, ifupdown's interfaces files, a DHCP client running for the link. The lease then gives
/// the server and times, from NetworkManager or the lease records of systemd-networkd,
/// dhclient, dhcpcd (and NetworkManager's own when the bus is unreachable). A lease counts only
/// when it has not expired and, where it names an address, that address is the link's.
/// DHCP that is configured without such a lease gives an empty lease; a link that no
/// configuration names is taken as DHCP when it holds such a lease.
class LinuxDhcpSource : public DhcpSource {
  public:
    using Clock = std::int64_t (*)();

    explicit LinuxDhcpSource(DhcpPaths paths = {}, SystemBus* bus = nullptr, Clock now = nullptr);
    std::optional<DhcpLease> lease(const InterfaceRow& link) override;

  private:
    std::optional<bool> fromNetworkd(int index) const;
    std::optional<bool> fromIfupdown(const std::string& name) const;
    bool clientRunning(const std::string& name) const;
    std::optional<DhcpLease> currentLease(const InterfaceRow& link, bool withNetworkManager) const;
    std::optional<DhcpLease> fromDhclient(const InterfaceRow& link) const;
    std::optional<DhcpLease> fromDhcpcd(const InterfaceRow& link) const;
    std::optional<DhcpLease> fromNetworkManagerFiles(const InterfaceRow& link) const;
    bool current(const DhcpLease& lease, const InterfaceRow& link) const;

    DhcpPaths paths_;
    SystemBus* bus_;
    Clock now_;
};

}  // namespace zelto::netparams
