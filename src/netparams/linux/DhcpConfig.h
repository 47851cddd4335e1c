#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelto::netparams {

// Readers of the network configuration that says whether a link is meant to get its address
// by DHCP, whatever its DHCP client holds at the moment. Each takes the file's bytes and
// never fails on damaged input; "nothing" means the file does not say.

/// What systemd-networkd's state file of one link (/run/systemd/netif/links/INDEX) names.
struct NetworkdLinkState {
    /// ADMIN_STATE: "configured", "configuring", "failed", "unmanaged" ...
    std::string adminState;
    /// The .network file that configures the link, then its drop-ins in order.
    std::vector<std::string> networkFiles;
};
NetworkdLinkState parseNetworkdLinkState(std::string_view text);

/// The DHCP= setting of a .network file (or drop-in): true when it asks for DHCPv4
/// ("yes", "ipv4", "true", "both" ...), false when it asks for none or only DHCPv6.
std::optional<bool> networkFileDhcp4(std::string_view text);

/// The method of the last "iface NAME inet METHOD" stanza of an ifupdown file: true for dhcp,
/// false for static and loopback; nothing for other methods (manual, ppp) or none.
std::optional<bool> ifupdownDhcp(std::string_view text, std::string_view name);

/// True when a process's command line (NUL-separated, from /proc/PID/cmdline) is a dhclient or
/// dhcpcd.
bool isDhcpClient(std::string_view cmdline);

}  // namespace zelto::netparams
