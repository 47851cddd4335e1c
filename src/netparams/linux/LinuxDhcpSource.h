#pragma once

#include <string>
#include <vector>

#include "netparams/NetSources.h"

namespace zelto::netparams {

class SystemBus;

/// Where the DHCP clients keep their leases.
struct DhcpPaths {
    std::string networkdLeases = "/run/systemd/netif/leases";
    std::vector<std::string> dhclientDirs = {"/var/lib/dhcp", "/var/lib/dhclient",
                                             "/var/lib/NetworkManager"};
    std::vector<std::string> dhcpcdDirs = {"/var/lib/dhcpcd", "/var/lib/dhcpcd5", "/var/db/dhcpcd"};
};

/// The DHCP client that configures an interface, asked in this order: NetworkManager (over the
/// system bus, when given), systemd-networkd, dhclient, dhcpcd. A client whose records are
/// absent, unreadable or damaged is passed over.
class LinuxDhcpSource : public DhcpSource {
  public:
    explicit LinuxDhcpSource(DhcpPaths paths = {}, SystemBus* bus = nullptr);
    std::optional<DhcpLease> lease(int index, const std::string& name) override;

  private:
    std::optional<DhcpLease> fromDhclient(const std::string& name) const;
    std::optional<DhcpLease> fromDhcpcd(const std::string& name) const;

    DhcpPaths paths_;
    SystemBus* bus_;
};

}  // namespace zelto::netparams
