#include "netparams/linux/LinuxInterfaceSource.h"

#include "system/linux/Fd.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/if.h>
#include <linux/if_arp.h>
#include <linux/if_tun.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <map>

namespace zelto::netparams {

namespace {

// Where the route lookup asks the way to: a public address (Cloudflare's resolver). The lookup
// only reads the routing tables.
const std::uint32_t kPublicAddress = htonl(0x01010101);

// sysfs attributes are a few bytes; one read with a small buffer is all it takes.
bool readSmallFile(const std::string& path, std::string& out) {
    const system::Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid())
        return false;
    char buffer[512];
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0)
        return false;
    out.assign(buffer, static_cast<std::size_t>(n));
    return true;
}

bool exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

std::string devType(const std::string& dir) {
    std::string uevent;
    if (!readSmallFile(dir + "/uevent", uevent))
        return "";
    std::size_t start = 0;
    while (start < uevent.size()) {
        std::size_t end = uevent.find('\n', start);
        if (end == std::string::npos)
            end = uevent.size();
        const std::string_view line(uevent.data() + start, end - start);
        if (line.starts_with("DEVTYPE="))
            return std::string(line.substr(8));
        start = end + 1;
    }
    return "";
}

}  // namespace

bool safeInterfaceName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

LinuxInterfaceSource::LinuxInterfaceSource(std::string sysfsNet, system::SystemCalls& calls)
    : sysfsNet_(std::move(sysfsNet)), calls_(calls) {}

int interfaceTypeOf(unsigned short arphrd) {
    switch (arphrd) {
        case ARPHRD_ETHER:
        case ARPHRD_IEEE80211:
        case ARPHRD_IEEE80211_PRISM:
        case ARPHRD_IEEE80211_RADIOTAP:
            return kTypeEthernet;
        case ARPHRD_LOOPBACK:
            return kTypeLoopback;
        case ARPHRD_PPP:
            return kTypePpp;
        case ARPHRD_SLIP:
        case ARPHRD_CSLIP:
        case ARPHRD_SLIP6:
        case ARPHRD_CSLIP6:
            return kTypeSlip;
        case ARPHRD_FDDI:
            return kTypeFddi;
        case ARPHRD_IEEE802_TR:
            return kTypeTokenRing;
        default:
            return kTypeOther;
    }
}

int operStatusOf(unsigned char operState, unsigned int flags) {
    switch (operState) {
        case IF_OPER_UP:
            return kOperOperational;
        case IF_OPER_DORMANT:
            return kOperConnecting;
        case IF_OPER_DOWN:
        case IF_OPER_LOWERLAYERDOWN:
            return kOperDisconnected;
        case IF_OPER_NOTPRESENT:
        case IF_OPER_TESTING:
            return kOperNonOperational;
        default:
            // Drivers without carrier reporting (loopback, tun, dummy) say "unknown"; up and
            // running is as operational as they get.
            return (flags & IFF_UP) != 0 && (flags & IFF_RUNNING) != 0 ? kOperOperational
                                                                       : kOperDisconnected;
    }
}

std::string interfaceKind(const std::string& sysfsNet, const std::string& name,
                          unsigned short arphrd, const std::string& linkKind) {
    if (arphrd == ARPHRD_LOOPBACK)
        return "Loopback";
    if (!safeInterfaceName(name))
        return linkKind;
    const std::string dir = sysfsNet + "/" + name;
    std::string type = devType(dir);
    if (type == "wlan" || exists(dir + "/wireless") || exists(dir + "/phy80211"))
        return "Wi-Fi";
    static const std::map<std::string, std::string, std::less<>> kDevTypes = {
        {"bridge", "Bridge"},         {"vlan", "VLAN"}, {"bond", "Bond"},
        {"wwan", "Mobile broadband"}, {"ppp", "PPP"},   {"wireguard", "WireGuard"},
    };
    if (const auto known = kDevTypes.find(type); known != kDevTypes.end())
        return known->second;
    if (arphrd == ARPHRD_PPP)
        return "PPP";
    if (!linkKind.empty())
        return linkKind;
    if (!type.empty())
        return type;
    // A real network card has a device behind it; virtual links have none.
    if (arphrd == ARPHRD_ETHER && exists(dir + "/device"))
        return "Ethernet";
    return "";
}

std::uint64_t interfaceSpeed(const std::string& sysfsNet, const std::string& name) {
    std::string text;
    if (!safeInterfaceName(name) || !readSmallFile(sysfsNet + "/" + name + "/speed", text))
        return 0;
    long long megabits = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), megabits);
    if (result.ec != std::errc{} || megabits <= 0 || megabits > 100'000'000)
        return 0;
    return static_cast<std::uint64_t>(megabits) * 1'000'000u;
}

std::string directLinkGateway(const std::string& linkName) {
    return linkName + " (direct link)";
}

std::string dottedAddress(std::uint32_t networkOrder) {
    char text[INET_ADDRSTRLEN] = {};
    in_addr address{};
    address.s_addr = networkOrder;
    ::inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

std::string prefixMask(int prefixLength) {
    const int bits = std::clamp(prefixLength, 0, 32);
    const std::uint32_t mask = bits == 0 ? 0 : ~std::uint32_t{0} << (32 - bits);
    return dottedAddress(htonl(mask));
}

LinkRole linkRole(const std::string& sysfsNet, const std::string& name, unsigned short arphrd,
                  const std::string& linkKind) {
    // Container and VM managers give their guests veth pairs, taps and macvtaps and join
    // them with bridges; a bridge that carries the PC's own network is kept by its default
    // route instead.
    if (linkKind == "veth" || linkKind == "bridge" || linkKind == "macvtap" || linkKind == "ipvtap")
        return LinkRole::Guest;
    if (!safeInterfaceName(name))
        return LinkRole::Other;
    const std::string dir = sysfsNet + "/" + name;
    if (linkKind == "tun") {
        // A tap carries Ethernet frames to a VM; a tun is a VPN's tunnel.
        std::string flags;
        readSmallFile(dir + "/tun_flags", flags);
        unsigned long value = 0;
        std::from_chars(flags.data() + std::min<std::size_t>(flags.size(), 2),
                        flags.data() + flags.size(), value, 16);
        return (value & IFF_TAP) != 0 ? LinkRole::Guest : LinkRole::Other;
    }
    if (linkKind.empty() && arphrd == ARPHRD_ETHER && exists(dir + "/device"))
        return LinkRole::Physical;
    return LinkRole::Other;
}

namespace {

// Links, IPv4 addresses and gateways from one socket: 0 or the first errno.
int readKernelTables(NetlinkSocket& socket, std::vector<LinkRecord>& links,
                     std::vector<AddressRecord>& addresses, std::vector<GatewayRecord>& gateways) {
    int error = socket.dumpLinks(links);
    if (error == 0)
        error = socket.dumpAddresses(addresses);
    // The route the kernel would take to the Internet honours policy rules (a VPN's own
    // table); the main table's defaults follow it.
    if (error == 0 && socket.lookupRoute(kPublicAddress, gateways) != 0)
        gateways.clear();
    if (error == 0)
        error = socket.dumpDefaultGateways(gateways);
    return error;
}

InterfaceRow interfaceRow(const std::string& sysfsNet, const LinkRecord& link) {
    InterfaceRow row;
    row.index = link.index;
    row.name = link.name;
    const std::string kind = interfaceKind(sysfsNet, link.name, link.arphrd, link.kind);
    row.description = kind.empty() ? link.name : link.name + " (" + kind + ")";
    row.type = interfaceTypeOf(link.arphrd);
    row.mtu = link.mtu;
    row.speed = interfaceSpeed(sysfsNet, link.name);
    row.physAddress = link.address;
    row.adminStatus = (link.flags & IFF_UP) != 0 ? kAdminUp : kAdminDown;
    row.operStatus = operStatusOf(link.operState, link.flags);
    // The kernel counts multicast among received packets; it keeps no sent multicast count.
    const rtnl_link_stats64& stats = link.stats;
    row.inOctets = stats.rx_bytes;
    row.inUcastPkts = stats.rx_packets - std::min(stats.multicast, stats.rx_packets);
    row.inNUcastPkts = stats.multicast;
    row.inDiscards = stats.rx_dropped;
    row.inErrors = stats.rx_errors;
    row.inUnknownProtos = stats.rx_nohandler;
    row.outOctets = stats.tx_bytes;
    row.outUcastPkts = stats.tx_packets;
    row.outDiscards = stats.tx_dropped;
    row.outErrors = stats.tx_errors;
    row.role = linkRole(sysfsNet, link.name, link.arphrd, link.kind);
    return row;
}

// Each distinct gateway on its link's row; a route with no gateway address names the link's
// peer, else the link itself.
void addGateways(InterfaceTable& table, const std::map<int, std::size_t>& rowOf,
                 const std::vector<AddressRecord>& addresses,
                 const std::vector<GatewayRecord>& gateways) {
    std::map<int, std::uint32_t> peerOf;
    for (const AddressRecord& address : addresses) {
        if (address.peer != 0)
            peerOf.emplace(address.index, address.peer);
    }
    for (auto gateway = gateways.begin(); gateway != gateways.end(); ++gateway) {
        const auto row = rowOf.find(gateway->index);
        if (row == rowOf.end() || std::find(gateways.begin(), gateway, *gateway) != gateway)
            continue;
        InterfaceRow& link = table.rows[row->second];
        if (gateway->gateway != 0)
            link.gateways.push_back(dottedAddress(gateway->gateway));
        else if (const auto peer = peerOf.find(link.index); peer != peerOf.end())
            link.gateways.push_back(dottedAddress(peer->second));
        else
            link.gateways.push_back(directLinkGateway(link.name));
    }
}

}  // namespace

InterfaceTable LinuxInterfaceSource::readInterfaces() {
    InterfaceTable table;
    NetlinkSocket socket(calls_);
    if (!socket.valid()) {
        table.sizingError = socket.openError();
        return table;
    }
    std::vector<LinkRecord> links;
    std::vector<AddressRecord> addresses;
    std::vector<GatewayRecord> gateways;
    if (const int error = readKernelTables(socket, links, addresses, gateways); error != 0) {
        table.error = error;
        return table;
    }

    std::sort(links.begin(), links.end(),
              [](const LinkRecord& a, const LinkRecord& b) { return a.index < b.index; });
    std::map<int, std::size_t> rowOf;
    for (const LinkRecord& link : links) {
        rowOf[link.index] = table.rows.size();
        table.rows.push_back(interfaceRow(sysfsNet_, link));
    }
    for (const AddressRecord& address : addresses) {
        if (const auto row = rowOf.find(address.index); row != rowOf.end())
            table.rows[row->second].addresses.push_back(
                {dottedAddress(address.address), prefixMask(address.prefixLength)});
    }
    addGateways(table, rowOf, addresses, gateways);
    return table;
}

}  // namespace zelto::netparams
