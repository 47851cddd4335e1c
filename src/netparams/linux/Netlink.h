#pragma once

#include <linux/if_link.h>
#include <sys/socket.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "system/linux/Fd.h"
#include "system/linux/SystemCalls.h"

namespace zelto::netparams {

/// One netlink message: its type and the bytes after its header.
struct NetlinkMessage {
    std::uint16_t type = 0;
    std::string_view payload;
};

/// One link of an RTM_GETLINK dump.
struct LinkRecord {
    int index = 0;
    unsigned short arphrd = 0;
    unsigned int flags = 0;
    std::string name;
    std::uint32_t mtu = 0;
    std::string address;
    /// IF_OPER_* value.
    std::uint8_t operState = 0;
    /// IFLA_INFO_KIND of a virtual link ("veth", "bridge"), else empty.
    std::string kind;
    /// IFLA_STATS64 as the kernel sent it; counters an older kernel does not send stay 0.
    rtnl_link_stats64 stats{};
};

/// One IPv4 address of an RTM_GETADDR dump.
struct AddressRecord {
    int index = 0;
    std::uint32_t address = 0;  // network byte order
    int prefixLength = 0;
    /// The far end of a point-to-point link, 0 when the address names none.
    std::uint32_t peer = 0;
};

/// One next hop of an IPv4 default route: the link it leaves by and its gateway, 0 for a
/// route straight onto the link (PPP, VPN tunnels).
struct GatewayRecord {
    int index = 0;
    std::uint32_t gateway = 0;  // network byte order

    bool operator==(const GatewayRecord&) const = default;
};

/// A route netlink socket, closed when the object goes.
class NetlinkSocket {
  public:
    /// Opens and binds the socket; on failure `valid()` is false and `openError()` the errno.
    explicit NetlinkSocket(system::SystemCalls& calls);

    bool valid() const { return fd_.valid(); }
    int openError() const { return openError_; }

    /// Dumps links, IPv4 addresses or IPv4 routes; 0 or an errno.
    int dumpLinks(std::vector<LinkRecord>& out);
    int dumpAddresses(std::vector<AddressRecord>& out);
    int dumpDefaultGateways(std::vector<GatewayRecord>& out);
    /// The next hops the kernel would send a packet to `destination` (network byte order)
    /// by, policy rules included; nothing is sent. 0 or an errno (ENETUNREACH: no route).
    int lookupRoute(std::uint32_t destination, std::vector<GatewayRecord>& out);

  private:
    using Handler = std::function<void(const NetlinkMessage&)>;
    int dump(std::uint16_t type, std::string_view header, const Handler& onMessage);
    int exchange(std::uint16_t type, std::uint16_t flags, std::string_view header,
                 const Handler& onMessage, bool& interrupted);
    int send(std::uint16_t type, std::uint16_t flags, std::string_view header);
    int receive(std::vector<char>& buffer, std::string_view& batch);
    std::optional<int> readBatch(std::string_view rest, std::uint16_t flags,
                                 const Handler& onMessage, bool& interrupted) const;

    system::SystemCalls& calls_;
    system::Fd fd_;
    int openError_ = 0;
    std::uint32_t sequence_ = 0;
};

/// Parsers of single netlink messages, kept apart so that tests can feed them crafted bytes.
bool parseLink(const NetlinkMessage& message, LinkRecord& out);
bool parseAddress(const NetlinkMessage& message, AddressRecord& out);
void parseDefaultRoute(const NetlinkMessage& message, std::vector<GatewayRecord>& out);
/// The next hops of the answer to a route lookup.
void parseRouteLookup(const NetlinkMessage& message, std::vector<GatewayRecord>& out);

}  // namespace zelto::netparams
