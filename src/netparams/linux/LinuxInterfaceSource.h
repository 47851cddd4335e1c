#pragma once

#include <string>

#include "netparams/NetSources.h"
#include "netparams/linux/Netlink.h"

namespace zelto::netparams {

/// The interface table from the kernel: one netlink dump each of links, IPv4 addresses and
/// routes and a lookup of the route to the Internet, plus speed and kind of interface from
/// sysfs.
class LinuxInterfaceSource : public InterfaceSource {
  public:
    explicit LinuxInterfaceSource(std::string sysfsNet = "/sys/class/net",
                                  system::SystemCalls& calls = system::realSystemCalls());
    InterfaceTable readInterfaces() override;

  private:
    std::string sysfsNet_;
    system::SystemCalls& calls_;
};

/// The original's interface type number for a Linux ARPHRD_* value.
int interfaceTypeOf(unsigned short arphrd);

/// The operational status number for an IF_OPER_* value and the link's IFF_* flags.
int operStatusOf(unsigned char operState, unsigned int flags);

/// What kind of interface `name` is ("Ethernet", "Wi-Fi", "Bridge" ...), from sysfs under
/// `sysfsNet` and the netlink kind; empty when nothing tells.
std::string interfaceKind(const std::string& sysfsNet, const std::string& name,
                          unsigned short arphrd, const std::string& linkKind);

/// Whether a link is a card of this PC, a link a container or VM manager made for its guests
/// (by its netlink kind, and a tun's flags in sysfs), or another link (VPN, VLAN ...).
LinkRole linkRole(const std::string& sysfsNet, const std::string& name, unsigned short arphrd,
                  const std::string& linkKind);

/// How the report names the gateway of a default route straight onto a link that has no peer
/// address: "wg0 (direct link)".
std::string directLinkGateway(const std::string& linkName);

/// The link speed in bits per second from sysfs; 0 when the file is unreadable or -1 (links
/// that are down, Wi-Fi, virtual links).
std::uint64_t interfaceSpeed(const std::string& sysfsNet, const std::string& name);

/// Whether an interface name may go into a path: names are set by users and udev, and one that
/// is "." or ".." or holds a "/" would walk out of its folder.
bool safeInterfaceName(const std::string& name);

/// Dotted text of an IPv4 address in network byte order, and of a prefix length as a mask.
std::string dottedAddress(std::uint32_t networkOrder);
std::string prefixMask(int prefixLength);

}  // namespace zelto::netparams
