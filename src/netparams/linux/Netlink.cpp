#include "netparams/linux/Netlink.h"

#include <linux/if_link.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <netinet/in.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

namespace zelto::netparams {

namespace {

constexpr std::size_t align4(std::size_t n) {
    return (n + 3) & ~std::size_t{3};
}

// Fixed headers are copied out of the byte stream rather than cast: the payload of a nested
// message need not be aligned for them.
template <class T>
bool readStruct(std::string_view bytes, T& out) {
    if (bytes.size() < sizeof(T))
        return false;
    std::memcpy(&out, bytes.data(), sizeof(T));
    return true;
}

// Walks the attributes of `bytes`, stopping at the first one whose length does not fit.
template <class F>
void forEachAttribute(std::string_view bytes, F&& onAttribute) {
    while (bytes.size() >= sizeof(rtattr)) {
        rtattr attribute{};
        std::memcpy(&attribute, bytes.data(), sizeof attribute);
        if (attribute.rta_len < sizeof(rtattr) || attribute.rta_len > bytes.size())
            return;
        onAttribute(static_cast<std::uint16_t>(attribute.rta_type & NLA_TYPE_MASK),
                    bytes.substr(sizeof(rtattr), attribute.rta_len - sizeof(rtattr)));
        const std::size_t step = align4(attribute.rta_len);
        if (step >= bytes.size())
            return;
        bytes.remove_prefix(step);
    }
}

std::string cString(std::string_view data) {
    return std::string(data.substr(0, data.find('\0')));
}

std::uint32_t u32(std::string_view data) {
    std::uint32_t value = 0;
    readStruct(data, value);
    return value;
}

// The kernel reports an error as a negated errno; any other number is a damaged answer.
int kernelError(int negated) {
    return negated < 0 && negated > -4096 ? -negated : EPROTO;
}

std::string_view afterHeader(std::string_view payload, std::size_t headerSize) {
    const std::size_t skip = align4(headerSize);
    return payload.size() > skip ? payload.substr(skip) : std::string_view{};
}

}  // namespace

NetlinkSocket::NetlinkSocket(system::SystemCalls& calls)
    : calls_(calls), fd_(calls_.socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE)) {
    if (!fd_.valid()) {
        openError_ = errno;
        return;
    }
    // The kernel answers a dump at once; the limit only guards against a wedged kernel.
    const timeval limit{2, 0};
    ::setsockopt(fd_.get(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
}

int NetlinkSocket::dump(std::uint16_t type, std::string_view header, const Handler& onMessage) {
    // A dump that raced with a change of the table is flagged NLM_F_DUMP_INTR: ask again.
    for (int attempt = 0;; ++attempt) {
        bool interrupted = false;
        const int error =
            exchange(type, NLM_F_REQUEST | NLM_F_DUMP, header, onMessage, interrupted);
        if (error != 0 || !interrupted || attempt == 2)
            return error;
    }
}

// Sends one request and hands every answer to `onMessage`: a dump ends with NLMSG_DONE, a
// single request with its one answer.
int NetlinkSocket::exchange(std::uint16_t type, std::uint16_t flags, std::string_view header,
                            const Handler& onMessage, bool& interrupted) {
    if (const int error = send(type, flags, header); error != 0)
        return error;
    std::vector<char> buffer(std::size_t{64} * 1024);
    for (;;) {
        std::string_view batch;
        if (const int error = receive(buffer, batch); error != 0)
            return error;
        if (const std::optional<int> end = readBatch(batch, flags, onMessage, interrupted))
            return *end;
    }
}

int NetlinkSocket::send(std::uint16_t type, std::uint16_t flags, std::string_view header) {
    std::string request(NLMSG_LENGTH(header.size()), '\0');
    nlmsghdr head{};
    head.nlmsg_len = static_cast<std::uint32_t>(request.size());
    head.nlmsg_type = type;
    head.nlmsg_flags = flags;
    head.nlmsg_seq = ++sequence_;
    std::memcpy(request.data(), &head, sizeof head);
    std::memcpy(request.data() + NLMSG_HDRLEN, header.data(), header.size());
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    sockaddr kernelAddress{};
    static_assert(sizeof kernel <= sizeof kernelAddress);
    std::memcpy(&kernelAddress, &kernel, sizeof kernel);
    if (calls_.sendto(fd_.get(), request.data(), request.size(), 0, &kernelAddress, sizeof kernel) <
        0)
        return errno;
    return 0;
}

// The next datagram from the kernel; others' datagrams are skipped.
int NetlinkSocket::receive(std::vector<char>& buffer, std::string_view& batch) {
    for (;;) {
        iovec part{buffer.data(), buffer.size()};
        sockaddr_nl from{};
        msghdr message{};
        message.msg_name = &from;
        message.msg_namelen = sizeof from;
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        const ssize_t received = calls_.recvmsg(fd_.get(), &message, 0);
        if (received < 0) {
            if (errno == EINTR)
                continue;
            return errno == EAGAIN ? ETIMEDOUT : errno;
        }
        if (received == 0)
            return EPROTO;
        if ((message.msg_flags & MSG_TRUNC) != 0)
            return EMSGSIZE;
        if (from.nl_pid != 0)
            continue;  // not from the kernel
        batch = std::string_view(buffer.data(), static_cast<std::size_t>(received));
        return 0;
    }
}

// The messages of one datagram: the exchange's end (0 or an errno) once it is reached, nothing
// while more is to come.
std::optional<int> NetlinkSocket::readBatch(std::string_view rest, std::uint16_t flags,
                                            const Handler& onMessage, bool& interrupted) const {
    while (rest.size() >= sizeof(nlmsghdr)) {
        nlmsghdr reply{};
        std::memcpy(&reply, rest.data(), sizeof reply);
        if (reply.nlmsg_len < sizeof(nlmsghdr) || reply.nlmsg_len > rest.size())
            return EPROTO;
        const std::string_view payload = rest.substr(NLMSG_HDRLEN, reply.nlmsg_len - NLMSG_HDRLEN);
        rest.remove_prefix(std::min(rest.size(), std::size_t{NLMSG_ALIGN(reply.nlmsg_len)}));
        if (reply.nlmsg_seq != sequence_)
            continue;
        if ((reply.nlmsg_flags & NLM_F_DUMP_INTR) != 0)
            interrupted = true;
        if (reply.nlmsg_type == NLMSG_DONE) {
            int status = 0;
            readStruct(payload, status);
            return status < 0 ? kernelError(status) : 0;
        }
        if (reply.nlmsg_type == NLMSG_ERROR) {
            nlmsgerr failure{};
            if (!readStruct(payload, failure))
                return EPROTO;
            if (failure.error != 0)
                return kernelError(failure.error);
            continue;
        }
        onMessage(NetlinkMessage{reply.nlmsg_type, payload});
        if ((flags & NLM_F_DUMP) == 0)
            return 0;
    }
    return std::nullopt;
}

int NetlinkSocket::dumpLinks(std::vector<LinkRecord>& out) {
    ifinfomsg request{};
    request.ifi_family = AF_UNSPEC;
    return dump(RTM_GETLINK,
                std::string_view(reinterpret_cast<const char*>(&request), sizeof request),
                [&out](const NetlinkMessage& m) {
                    LinkRecord link;
                    if (parseLink(m, link))
                        out.push_back(std::move(link));
                });
}

int NetlinkSocket::dumpAddresses(std::vector<AddressRecord>& out) {
    ifaddrmsg request{};
    request.ifa_family = AF_INET;
    return dump(RTM_GETADDR,
                std::string_view(reinterpret_cast<const char*>(&request), sizeof request),
                [&out](const NetlinkMessage& m) {
                    AddressRecord address;
                    if (parseAddress(m, address))
                        out.push_back(address);
                });
}

int NetlinkSocket::dumpDefaultGateways(std::vector<GatewayRecord>& out) {
    rtmsg request{};
    request.rtm_family = AF_INET;
    return dump(RTM_GETROUTE,
                std::string_view(reinterpret_cast<const char*>(&request), sizeof request),
                [&out](const NetlinkMessage& m) { parseDefaultRoute(m, out); });
}

int NetlinkSocket::lookupRoute(std::uint32_t destination, std::vector<GatewayRecord>& out) {
    struct {
        rtmsg route;
        rtattr attribute;
        std::uint32_t address;
    } request{};
    static_assert(sizeof request == sizeof(rtmsg) + RTA_LENGTH(4));
    request.route.rtm_family = AF_INET;
    request.route.rtm_dst_len = 32;
    request.attribute.rta_type = RTA_DST;
    request.attribute.rta_len = RTA_LENGTH(4);
    request.address = destination;
    bool interrupted = false;
    return exchange(
        RTM_GETROUTE, NLM_F_REQUEST,
        std::string_view(reinterpret_cast<const char*>(&request), sizeof request),
        [&out](const NetlinkMessage& m) { parseRouteLookup(m, out); }, interrupted);
}

bool parseLink(const NetlinkMessage& message, LinkRecord& out) {
    ifinfomsg info{};
    if (message.type != RTM_NEWLINK || !readStruct(message.payload, info))
        return false;
    out.index = info.ifi_index;
    out.arphrd = info.ifi_type;
    out.flags = info.ifi_flags;
    forEachAttribute(afterHeader(message.payload, sizeof info), [&out](std::uint16_t type,
                                                                       std::string_view data) {
        switch (type) {
            case IFLA_IFNAME:
                out.name = cString(data);
                break;
            case IFLA_MTU:
                out.mtu = u32(data);
                break;
            case IFLA_ADDRESS:
                out.address = std::string(data);
                break;
            case IFLA_OPERSTATE:
                if (!data.empty())
                    out.operState = static_cast<std::uint8_t>(data[0]);
                break;
            case IFLA_STATS64:
                // Older kernels send a shorter structure.
                out.stats = {};
                std::memcpy(&out.stats, data.data(), std::min(data.size(), sizeof out.stats));
                break;
            case IFLA_LINKINFO:
                forEachAttribute(data, [&out](std::uint16_t inner, std::string_view value) {
                    if (inner == IFLA_INFO_KIND)
                        out.kind = cString(value);
                });
                break;
            default:
                break;
        }
    });
    return out.index > 0;
}

bool parseAddress(const NetlinkMessage& message, AddressRecord& out) {
    ifaddrmsg info{};
    if (message.type != RTM_NEWADDR || !readStruct(message.payload, info) ||
        info.ifa_family != AF_INET)
        return false;
    out.index = static_cast<int>(info.ifa_index);
    out.prefixLength = info.ifa_prefixlen;
    std::optional<std::uint32_t> local;
    std::optional<std::uint32_t> address;
    forEachAttribute(afterHeader(message.payload, sizeof info),
                     [&](std::uint16_t type, std::string_view data) {
                         if (data.size() < 4)
                             return;
                         if (type == IFA_LOCAL)
                             local = u32(data);
                         else if (type == IFA_ADDRESS)
                             address = u32(data);
                     });
    // IFA_LOCAL is this end; where it differs, IFA_ADDRESS is the far end of the link.
    out.address = local ? *local : address.value_or(0);
    out.peer = local && address && *local != *address ? *address : 0;
    return out.index > 0 && (local || address) && out.prefixLength <= 32;
}

namespace {

// The table and next hops of an IPv4 unicast route; nothing for any other message.
std::optional<std::uint32_t> readRoute(const NetlinkMessage& message, rtmsg& route,
                                       std::vector<GatewayRecord>& hops) {
    if (message.type != RTM_NEWROUTE || !readStruct(message.payload, route))
        return std::nullopt;
    if (route.rtm_family != AF_INET || route.rtm_type != RTN_UNICAST)
        return std::nullopt;
    std::uint32_t table = route.rtm_table;
    int oif = 0;
    std::uint32_t gateway = 0;
    std::vector<GatewayRecord> multipath;
    forEachAttribute(
        afterHeader(message.payload, sizeof route), [&](std::uint16_t type, std::string_view data) {
            if (type == RTA_TABLE) {
                table = u32(data);
            } else if (type == RTA_OIF) {
                oif = static_cast<int>(u32(data));
            } else if (type == RTA_GATEWAY && data.size() == 4) {
                gateway = u32(data);
            } else if (type == RTA_MULTIPATH) {
                // Each next hop: an rtnexthop, then its own attributes.
                while (data.size() >= sizeof(rtnexthop)) {
                    rtnexthop hop{};
                    std::memcpy(&hop, data.data(), sizeof hop);
                    if (hop.rtnh_len < sizeof hop || hop.rtnh_len > data.size())
                        break;
                    std::uint32_t via = 0;
                    forEachAttribute(data.substr(sizeof hop, hop.rtnh_len - sizeof hop),
                                     [&via](std::uint16_t inner, std::string_view value) {
                                         if (inner == RTA_GATEWAY && value.size() == 4)
                                             via = u32(value);
                                     });
                    if (hop.rtnh_ifindex > 0)
                        multipath.push_back({hop.rtnh_ifindex, via});
                    const std::size_t step = align4(hop.rtnh_len);
                    if (step >= data.size())
                        break;
                    data.remove_prefix(step);
                }
            }
        });
    if (oif > 0)
        hops.push_back({oif, gateway});
    hops.insert(hops.end(), multipath.begin(), multipath.end());
    return table;
}

}  // namespace

void parseDefaultRoute(const NetlinkMessage& message, std::vector<GatewayRecord>& out) {
    rtmsg route{};
    std::vector<GatewayRecord> hops;
    if (readRoute(message, route, hops) == RT_TABLE_MAIN && route.rtm_dst_len == 0)
        out.insert(out.end(), hops.begin(), hops.end());
}

void parseRouteLookup(const NetlinkMessage& message, std::vector<GatewayRecord>& out) {
    rtmsg route{};
    readRoute(message, route, out);
}

}  // namespace zelto::netparams
