#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zelto::netparams {

/// Interface type numbers as the interface table and the adapter records carry them.
enum InterfaceType : int {
    kTypeOther = 1,
    kTypeEthernet = 6,
    kTypeTokenRing = 9,
    kTypeFddi = 15,
    kTypePpp = 23,
    kTypeLoopback = 24,
    kTypeSlip = 28,
};

/// Administrative status values of an interface row.
enum AdminStatus : int { kAdminUp = 1, kAdminDown = 2, kAdminTesting = 3 };

/// Operational status values of an interface row.
enum OperStatus : int {
    kOperNonOperational = 0,
    kOperUnreachable = 1,
    kOperDisconnected = 2,
    kOperConnecting = 3,
    kOperConnected = 4,
    kOperOperational = 5,
};

/// What a link is for, as far as the adapter list cares: the cards a user plugs into come first,
/// and links a container or VM manager made for its guests are no adapters of this PC.
enum class LinkRole { Physical, Other, Guest };

/// One IPv4 address of an interface and its mask, both dotted.
struct IpEntry {
    std::string address;
    std::string mask;
};

/// One interface as the kernel describes it: the interface-table fields plus the IPv4
/// addresses and default gateways it holds. Counters are 64-bit so they never wrap.
struct InterfaceRow {
    int index = 0;
    std::string name;
    /// The name, and the kind of interface where the system tells it: "eth0 (Ethernet)".
    std::string description;
    int type = kTypeOther;
    std::uint32_t mtu = 0;
    /// Bits per second; 0 when unknown.
    std::uint64_t speed = 0;
    /// The raw bytes of the hardware address (empty for interfaces without one).
    std::string physAddress;
    int adminStatus = kAdminDown;
    int operStatus = kOperDisconnected;
    std::uint64_t inOctets = 0;
    std::uint64_t inUcastPkts = 0;
    std::uint64_t inNUcastPkts = 0;
    std::uint64_t inDiscards = 0;
    std::uint64_t inErrors = 0;
    std::uint64_t inUnknownProtos = 0;
    std::uint64_t outOctets = 0;
    std::uint64_t outUcastPkts = 0;
    std::uint64_t outNUcastPkts = 0;
    std::uint64_t outDiscards = 0;
    std::uint64_t outErrors = 0;
    /// IPv4 addresses in the kernel's order (primary first).
    std::vector<IpEntry> addresses;
    /// Gateways of the default routes that leave through this interface. A route without a
    /// gateway address shows the link's peer address, else the link's name in words.
    std::vector<std::string> gateways;
    LinkRole role = LinkRole::Other;
};

/// One read of the interface table. `sizingError` is an errno when the table could not be
/// asked for at all, `error` an errno when the answer failed; rows ascend by interface index.
struct InterfaceTable {
    int sizingError = 0;
    int error = 0;
    std::vector<InterfaceRow> rows;
};

/// Where the interface table comes from (the kernel, or a fake in tests).
class InterfaceSource {
  public:
    virtual ~InterfaceSource() = default;
    /// Reads every interface with its addresses and default gateways, once.
    virtual InterfaceTable readInterfaces() = 0;
};

/// The PC-wide network values. NetBIOS and WINS values keep their "none" defaults on Linux.
struct NetworkParams {
    int sizingError = 0;
    int error = 0;
    std::string hostName;
    std::string domainName;
    /// DNS server addresses in the resolver's order.
    std::vector<std::string> dnsServers;
    int nodeType = 0;
    std::string scopeId;
    int enableRouting = 0;
    int enableProxy = 0;
    int enableDns = 0;
};

/// Where the PC-wide values come from.
class ParamsSource {
  public:
    virtual ~ParamsSource() = default;
    /// Reads host and domain name, DNS servers and the routing switch.
    virtual NetworkParams readParams() = 0;
};

/// What a DHCP client holds for one interface. Times are seconds since 1970 UTC, 0 unknown.
struct DhcpLease {
    /// The server's dotted address; empty when the client did not record it.
    std::string server;
    std::int64_t obtained = 0;
    std::int64_t expires = 0;
    /// The address the lease gave; empty when the record does not name it.
    std::string address;
};

/// The DHCP clients of the PC, asked per interface.
class DhcpSource {
  public:
    virtual ~DhcpSource() = default;
    /// The lease of the client that configures this interface by DHCP; nothing when no
    /// client does. DHCP that is configured but holds no current lease gives an empty lease.
    virtual std::optional<DhcpLease> lease(const InterfaceRow& link) = 0;
};

}  // namespace zelto::netparams
