#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <linux/if.h>
#include <linux/if_arp.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>

#include "netparams/linux/LinuxInterfaceSource.h"
#include "netparams/linux/LinuxParamsSource.h"
#include "netparams/linux/LocalTimezone.h"
#include "netparams/linux/ResolvConf.h"
#include "support/TempDir.h"

namespace zelto::netparams {
namespace {

TEST(ResolvConf, ServersInOrderAndTheLastDomainLine) {
    const ResolverConfig c = parseResolvConf(
        "# generated\r\n"
        "nameserver 192.0.2.53\n"
        "nameserver   192.0.2.54   # the second\n"
        "nameserver 2001:db8::1\n"
        "nameserver not.an.address\n"
        ";nameserver 192.0.2.99\n"
        "domain first.example\n"
        "search . corp.example. other.example\n"
        "options edns0\n"
        "nameserver 0.0.0.0\n");
    EXPECT_EQ(c.nameservers, (std::vector<std::string>{"192.0.2.53", "192.0.2.54", "0.0.0.0"}));
    EXPECT_EQ(c.domain, "corp.example");
    EXPECT_EQ(parseResolvConf("search a.example\ndomain b.example").domain, "b.example");
    EXPECT_TRUE(parseResolvConf("").nameservers.empty());
}

TEST(ResolvConf, DomainFromTheCanonicalNameInHosts) {
    const char* hosts =
        "127.0.0.1 localhost\n"
        "127.0.1.1 desk7.office.example desk7  # this PC\n"
        "192.0.2.9 desk70.wrong.example\n";
    EXPECT_EQ(domainFromHosts(hosts, "desk7"), "office.example");
    EXPECT_EQ(domainFromHosts(hosts, "DESK7"), "office.example");
    EXPECT_EQ(domainFromHosts(hosts, "desk8"), "");
    EXPECT_EQ(domainFromHosts(hosts, ""), "");
    EXPECT_FALSE(onlyResolvedStub({"127.0.0.53", "192.0.2.1"}));
    EXPECT_FALSE(onlyResolvedStub({}));
}

class Params : public ::testing::Test {
  protected:
    Params() {
        paths.resolvConf = dir.path() + "resolv.conf";
        paths.resolvedConf = dir.path() + "resolved.conf";
        paths.hosts = dir.path() + "hosts";
        paths.ipForward = dir.path() + "ip_forward";
    }
    static int desk7(char* name, std::size_t length) {
        std::strncpy(name, "desk7", length);
        return 0;
    }
    test::TempDir dir;
    ParamsPaths paths;
};

TEST_F(Params, StubResolverIsReplacedByTheServersBehindIt) {
    dir.write("resolv.conf", "nameserver 127.0.0.53\nsearch lan\n");
    EXPECT_EQ(LinuxParamsSource(paths, nullptr, desk7).readParams().dnsServers,
              (std::vector<std::string>{"127.0.0.53"}));  // nothing known behind it
    dir.write("resolved.conf", "nameserver 192.0.2.1\nnameserver 192.0.2.2\nsearch up.example\n");
    const NetworkParams p = LinuxParamsSource(paths, nullptr, desk7).readParams();
    EXPECT_EQ(p.dnsServers, (std::vector<std::string>{"192.0.2.1", "192.0.2.2"}));
    EXPECT_EQ(p.domainName, "lan");
    EXPECT_EQ(p.hostName, "desk7");
    EXPECT_EQ(p.enableRouting, 0);  // unreadable switch: off
    EXPECT_EQ(p.nodeType, 0);
}

TEST_F(Params, DomainAndRoutingFromTheirFiles) {
    dir.write("hosts", "127.0.1.1 desk7.office.example desk7\n");
    dir.write("ip_forward", "1\n");
    NetworkParams p = LinuxParamsSource(paths, nullptr, desk7).readParams();
    EXPECT_TRUE(p.dnsServers.empty());  // no resolv.conf: no servers, no failure
    EXPECT_EQ(p.domainName, "office.example");
    EXPECT_EQ(p.enableRouting, 1);
    p = LinuxParamsSource(paths, nullptr, [](char* name, std::size_t length) {
            std::strncpy(name, "desk9.fqdn.example", length);
            return 0;
        }).readParams();
    EXPECT_EQ(p.domainName, "fqdn.example");
    p = LinuxParamsSource(paths, nullptr, [](char*, std::size_t) {
            errno = ENAMETOOLONG;
            return -1;
        }).readParams();
    EXPECT_EQ(p.sizingError, ENAMETOOLONG);
}

TEST(Timezone, BiasFollowsDaylightSavingAtTheInstantAsked) {
    struct Case {
        const char* zone;
        std::time_t (*now)();
        float bias;
    };
    auto january = []() -> std::time_t { return 1767225600; };  // 2026-01-01
    auto july = []() -> std::time_t { return 1783000000; };     // 2026-07-02
    const Case cases[] = {
        {"CET-1CEST,M3.5.0,M10.5.0/3", january, -1.0f},
        {"CET-1CEST,M3.5.0,M10.5.0/3", july, -2.0f},
        {"IST-5:30", july, -5.5f},
        {"NST3:30NDT,M3.2.0,M11.1.0", july, 2.5f},
        {"NST3:30NDT,M3.2.0,M11.1.0", january, 3.5f},
        {"UTC0", july, 0.0f},
    };
    const std::string saved = std::getenv("TZ") != nullptr ? std::getenv("TZ") : "";
    for (const Case& c : cases) {
        ::setenv("TZ", c.zone, 1);
        EXPECT_EQ(LocalTimezone(c.now).TimezoneBiasHours(), c.bias) << c.zone;
    }
    ::setenv("TZ", saved.c_str(), 1);
    ::tzset();
}

TEST(InterfaceMapping, TypesAndStatesAsTheTableNumbersThem) {
    EXPECT_EQ(interfaceTypeOf(ARPHRD_IEEE80211_RADIOTAP), kTypeEthernet);
    EXPECT_EQ(interfaceTypeOf(ARPHRD_LOOPBACK), kTypeLoopback);
    EXPECT_EQ(interfaceTypeOf(ARPHRD_PPP), kTypePpp);
    EXPECT_EQ(interfaceTypeOf(ARPHRD_NONE), kTypeOther);
    const unsigned running = IFF_UP | IFF_RUNNING;
    EXPECT_EQ(operStatusOf(IF_OPER_UP, 0), kOperOperational);
    EXPECT_EQ(operStatusOf(IF_OPER_DORMANT, running), kOperConnecting);
    EXPECT_EQ(operStatusOf(IF_OPER_DOWN, running), kOperDisconnected);
    EXPECT_EQ(operStatusOf(IF_OPER_LOWERLAYERDOWN, IFF_UP), kOperDisconnected);
    EXPECT_EQ(operStatusOf(IF_OPER_NOTPRESENT, 0), kOperNonOperational);
    EXPECT_EQ(operStatusOf(IF_OPER_UNKNOWN, running), kOperOperational);
    EXPECT_EQ(operStatusOf(IF_OPER_UNKNOWN, IFF_UP), kOperDisconnected);
}

TEST(InterfaceMapping, KindRoleAndSpeedFromSysfs) {
    test::TempDir sys;
    for (const char* d :
         {"eth0/device", "wlp2s0/phy80211", "wlp2s0/device", "br0", "usb0", "vnet0", "tun0"})
        std::filesystem::create_directories(sys.path() + d);
    sys.write("vnet0/tun_flags", "0x1002\n");
    sys.write("tun0/tun_flags", "0x1001\n");
    sys.write("eth0/speed", "1000\n");
    sys.write("wlp2s0/speed", "-1\n");
    sys.write("br0/uevent", "DEVTYPE=bridge\nINTERFACE=br0\n");
    sys.write("usb0/uevent", "DEVTYPE=gadget\n");
    const std::string root = sys.path().substr(0, sys.path().size() - 1);
    EXPECT_EQ(interfaceKind(root, "eth0", ARPHRD_ETHER, ""), "Ethernet");
    EXPECT_EQ(interfaceKind(root, "wlp2s0", ARPHRD_ETHER, ""), "Wi-Fi");
    EXPECT_EQ(interfaceKind(root, "br0", ARPHRD_ETHER, "bridge"), "Bridge");
    EXPECT_EQ(interfaceKind(root, "usb0", ARPHRD_ETHER, ""), "gadget");
    EXPECT_EQ(interfaceKind(root, "ppp0", ARPHRD_PPP, ""), "PPP");
    EXPECT_EQ(interfaceKind(root, "lo", ARPHRD_LOOPBACK, ""), "Loopback");
    EXPECT_EQ(interfaceKind(root, "gone", ARPHRD_ETHER, ""), "");
    EXPECT_EQ(interfaceSpeed(root, "eth0"), 1000000000u);
    EXPECT_EQ(interfaceSpeed(root, "wlp2s0"), 0u);
    EXPECT_EQ(interfaceSpeed(root, "br0"), 0u);
    EXPECT_EQ(interfaceSpeed(root, ".."), 0u);

    const struct {
        const char* name;
        const char* kind;
        LinkRole role;
    } roles[] = {
        {"eth0", "", LinkRole::Physical},   {"wlp2s0", "", LinkRole::Physical},
        {"usb0", "", LinkRole::Other},      {"br0", "bridge", LinkRole::Guest},
        {"veth1", "veth", LinkRole::Guest}, {"vnet0", "tun", LinkRole::Guest},
        {"tun0", "tun", LinkRole::Other},   {"eth0", "vlan", LinkRole::Other},
        {"../x", "tun", LinkRole::Other},
    };
    for (const auto& r : roles)
        EXPECT_EQ(linkRole(root, r.name, ARPHRD_ETHER, r.kind), r.role) << r.name << " " << r.kind;
}

// Appends one netlink attribute (header, value, padding).
void attribute(std::string& out, std::uint16_t type, const std::string& value) {
    rtattr head{};
    head.rta_len = static_cast<unsigned short>(sizeof head + value.size());
    head.rta_type = type;
    out.append(reinterpret_cast<const char*>(&head), sizeof head).append(value);
    out.append((4 - out.size() % 4) % 4, '\0');
}

std::string ipv4(const char* dotted) {
    in_addr a{};
    ::inet_pton(AF_INET, dotted, &a);
    return std::string(reinterpret_cast<const char*>(&a), 4);
}

std::uint32_t ipv4Value(const char* dotted) {
    in_addr a{};
    ::inet_pton(AF_INET, dotted, &a);
    return a.s_addr;
}

template <class T>
std::string bytesOf(const T& value) {
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

// A unicast route of the main table; further attributes are appended by the caller.
std::string mainRoute(unsigned char prefixLength = 0) {
    rtmsg route{};
    route.rtm_family = AF_INET;
    route.rtm_type = RTN_UNICAST;
    route.rtm_table = RT_TABLE_MAIN;
    route.rtm_dst_len = prefixLength;
    return bytesOf(route);
}

// Appends one RTA_MULTIPATH attribute per hop, each with its gateway.
std::string viaHops(std::string route, std::initializer_list<std::pair<int, const char*>> hops) {
    for (const auto& [index, via] : hops) {
        std::string hopAttrs;
        attribute(hopAttrs, RTA_GATEWAY, ipv4(via));
        rtnexthop hop{};
        hop.rtnh_len = static_cast<unsigned short>(sizeof hop + hopAttrs.size());
        hop.rtnh_ifindex = index;
        attribute(route, RTA_MULTIPATH, bytesOf(hop) + hopAttrs);
    }
    return route;
}

TEST(NetlinkParsing, DefaultRoutesAndRouteLookups) {
    auto viaGateway = [](std::string route) {
        attribute(route, RTA_OIF, bytesOf(std::uint32_t{3}));
        attribute(route, RTA_GATEWAY, ipv4("192.0.2.1"));
        return route;
    };
    std::string vpn = mainRoute();
    attribute(vpn, RTA_TABLE, bytesOf(std::uint32_t{51820}));  // a VPN's own table
    std::vector<GatewayRecord> out;
    parseDefaultRoute({RTM_NEWROUTE, viaGateway(mainRoute(24))}, out);  // not a default route
    parseDefaultRoute({RTM_NEWROUTE, viaGateway(vpn)}, out);
    EXPECT_TRUE(out.empty());
    parseDefaultRoute({RTM_NEWROUTE, viaGateway(mainRoute())}, out);
    parseDefaultRoute(
        {RTM_NEWROUTE, viaHops(mainRoute(), {{4, "198.51.100.1"}, {5, "203.0.113.1"}})}, out);
    std::string direct = mainRoute();  // "default dev wg0": no gateway address
    attribute(direct, RTA_OIF, bytesOf(std::uint32_t{6}));
    parseDefaultRoute({RTM_NEWROUTE, direct}, out);
    EXPECT_EQ(out, (std::vector<GatewayRecord>{{3, ipv4Value("192.0.2.1")},
                                               {4, ipv4Value("198.51.100.1")},
                                               {5, ipv4Value("203.0.113.1")},
                                               {6, 0}}));

    // The kernel's answer to a lookup is a host route of whatever table the rules chose.
    std::string answer = mainRoute(32);
    attribute(answer, RTA_TABLE, bytesOf(std::uint32_t{51820}));
    attribute(answer, RTA_OIF, bytesOf(std::uint32_t{9}));
    std::vector<GatewayRecord> lookup;
    parseRouteLookup({RTM_NEWROUTE, answer}, lookup);
    EXPECT_EQ(lookup, (std::vector<GatewayRecord>{{9, 0}}));

    // A point-to-point address names its far end.
    ifaddrmsg info{};
    info.ifa_family = AF_INET;
    info.ifa_index = 9;
    info.ifa_prefixlen = 32;
    std::string peered = bytesOf(info);
    attribute(peered, IFA_ADDRESS, ipv4("10.64.0.1"));
    attribute(peered, IFA_LOCAL, ipv4("10.64.0.2"));
    AddressRecord address;
    ASSERT_TRUE(parseAddress({RTM_NEWADDR, peered}, address));
    EXPECT_EQ(dottedAddress(address.address), "10.64.0.2");
    EXPECT_EQ(dottedAddress(address.peer), "10.64.0.1");
}

TEST(NetlinkParsing, DamagedMessagesAreNeverReadPastTheirEnd) {
    ifinfomsg info{};
    info.ifi_index = 7;
    std::string link = bytesOf(info);
    attribute(link, IFLA_IFNAME, std::string("eth7\0", 5));
    attribute(link, IFLA_MTU, bytesOf(std::uint32_t{9000}));
    attribute(link, IFLA_STATS64, std::string(24, '\x01'));  // a short, older structure
    LinkRecord parsed;
    ASSERT_TRUE(parseLink({RTM_NEWLINK, link}, parsed));
    EXPECT_EQ(parsed.name, "eth7");
    EXPECT_EQ(parsed.mtu, 9000u);
    EXPECT_EQ(parsed.rxBytes, 0x0101010101010101u);
    EXPECT_EQ(parsed.rxErrors, 0u);

    // Every cut and flipped byte of real messages parses or is refused; the sanitizer build
    // catches an overrun.
    ifaddrmsg addressInfo{};
    addressInfo.ifa_family = AF_INET;
    addressInfo.ifa_index = 7;
    std::string address = bytesOf(addressInfo);
    attribute(address, IFA_LOCAL, ipv4("192.0.2.7"));
    const std::string route = viaHops(mainRoute(), {{0, "192.0.2.1"}});
    std::mt19937 random(7);
    for (const std::string& message : {link, address, route}) {
        for (std::size_t cut = 0; cut <= message.size(); ++cut) {
            std::string part = message.substr(0, cut);
            for (int round = 0; round < 20; ++round) {
                if (!part.empty())
                    part[random() % part.size()] = static_cast<char>(random());
                LinkRecord l;
                AddressRecord a;
                std::vector<GatewayRecord> g;
                parseLink({RTM_NEWLINK, part}, l);
                parseAddress({RTM_NEWADDR, part}, a);
                parseDefaultRoute({RTM_NEWROUTE, part}, g);
                parseRouteLookup({RTM_NEWROUTE, part}, g);
            }
        }
    }
}

// The real calls, except the socket and receive answers a case scripts.
struct ScriptedNetlinkCalls : system::SystemCalls {
    std::function<int()> onSocket;
    std::function<ssize_t(msghdr*)> onReceive;
    int socket(int domain, int type, int protocol) override {
        return onSocket ? onSocket() : SystemCalls::socket(domain, type, protocol);
    }
    ssize_t recvmsg(int fd, msghdr* message, int flags) override {
        return onReceive ? onReceive(message) : SystemCalls::recvmsg(fd, message, flags);
    }
};

TEST(NetlinkSource, FailedCallsGiveTheirErrno) {
    ScriptedNetlinkCalls calls;
    calls.onSocket = [] {
        errno = EMFILE;
        return -1;
    };
    InterfaceTable t = LinuxInterfaceSource("/nonexistent", calls).readInterfaces();
    EXPECT_EQ(t.sizingError, EMFILE);
    EXPECT_TRUE(t.rows.empty());

    calls.onSocket = nullptr;
    calls.onReceive = [](msghdr*) -> ssize_t {
        errno = EIO;
        return -1;
    };
    t = LinuxInterfaceSource("/nonexistent", calls).readInterfaces();
    EXPECT_EQ(t.sizingError, 0);
    EXPECT_EQ(t.error, EIO);

    // The kernel refuses the dump.
    calls.onReceive = [](msghdr* m) -> ssize_t {
        nlmsghdr head{};
        head.nlmsg_len = NLMSG_LENGTH(sizeof(nlmsgerr));
        head.nlmsg_type = NLMSG_ERROR;
        head.nlmsg_seq = 1;
        nlmsgerr failure{};
        failure.error = -EPERM;
        auto* out = static_cast<char*>(m->msg_iov[0].iov_base);
        std::memcpy(out, &head, sizeof head);
        std::memcpy(out + NLMSG_HDRLEN, &failure, sizeof failure);
        return head.nlmsg_len;
    };
    EXPECT_EQ(LinuxInterfaceSource("/nonexistent", calls).readInterfaces().error, EPERM);
}

TEST(NetlinkSource, LoopbackIsTheFirstRowOfThisMachine) {
    // Reads the configuration only; nothing is sent on any network.
    const InterfaceTable t = LinuxInterfaceSource().readInterfaces();
    ASSERT_EQ(t.error, 0);
    ASSERT_FALSE(t.rows.empty());
    const InterfaceRow& lo = t.rows.front();
    EXPECT_EQ(lo.name, "lo");
    EXPECT_EQ(lo.type, kTypeLoopback);
    EXPECT_EQ(lo.description, "lo (Loopback)");
    ASSERT_FALSE(lo.addresses.empty());
    EXPECT_EQ(lo.addresses.front().address, "127.0.0.1");
    EXPECT_EQ(lo.addresses.front().mask, "255.0.0.0");
    for (std::size_t i = 1; i < t.rows.size(); ++i)
        EXPECT_LT(t.rows[i - 1].index, t.rows[i].index);
}

}  // namespace
}  // namespace zelto::netparams
