#include <gtest/gtest.h>
#include <linux/if.h>
#include <linux/if_arp.h>
#include <linux/netlink.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>

#include "netparams/linux/LinuxInterfaceSource.h"
#include "netparams/linux/LinuxParamsSource.h"
#include "netparams/linux/LocalTimezone.h"
#include "netparams/linux/ResolvConf.h"
#include "support/TempDir.h"

namespace zelto::netparams {
namespace {

TEST(ResolvConf, ServersInOrderTheLastDomainLineAndTheDomainFromHosts) {
    const ResolverConfig c = parseResolvConf(
        "# generated\r\nnameserver 192.0.2.53\nnameserver   192.0.2.54   # the second\n"
        "nameserver 2001:db8::1\nnameserver not.an.address\n;nameserver 192.0.2.99\n"
        "domain first.example\nsearch . corp.example. other.example\noptions edns0\n"
        "nameserver 0.0.0.0\n");
    EXPECT_EQ(c.nameservers, (std::vector<std::string>{"192.0.2.53", "192.0.2.54", "0.0.0.0"}));
    EXPECT_EQ(c.domain, "corp.example");
    EXPECT_EQ(parseResolvConf("search a.example\ndomain b.example").domain, "b.example");
    const char* hosts =
        "127.0.0.1 localhost\n127.0.1.1 desk7.office.example desk7  # this PC\n"
        "192.0.2.9 desk70.wrong.example\n";
    const std::pair<const char*, const char*> names[] = {
        {"desk7", "office.example"}, {"DESK7", "office.example"}, {"desk8", ""}, {"", ""}};
    for (const auto& [name, domain] : names)
        EXPECT_EQ(domainFromHosts(hosts, name), domain) << name;
}

TEST(Params, FromTheirFilesWithTheServersBehindAStub) {
    test::TempDir dir;
    const ParamsPaths paths{dir.path() + "resolv.conf", dir.path() + "resolved.conf",
                            dir.path() + "nm.conf", dir.path() + "hosts",
                            dir.path() + "ip_forward"};
    auto read = [&paths](LinuxParamsSource::HostNameCall name) {
        return LinuxParamsSource(paths, nullptr, name).readParams();
    };
    auto desk7 = [](char* name, std::size_t length) {
        std::strncpy(name, "desk7", length);
        return 0;
    };
    NetworkParams p = read(desk7);  // no files: no servers, no failure, routing off
    EXPECT_TRUE(p.dnsServers.empty());
    EXPECT_EQ(p.enableRouting, 0);
    EXPECT_EQ(p.hostName, "desk7");
    dir.write("resolv.conf", "nameserver 127.0.0.53\nsearch lan\n");
    EXPECT_EQ(read(desk7).dnsServers, (std::vector<std::string>{"127.0.0.53"}));  // none behind
    dir.write("resolved.conf", "nameserver 192.0.2.1\nnameserver 192.0.2.2\nsearch up.example\n");
    p = read(desk7);
    EXPECT_EQ(p.dnsServers, (std::vector<std::string>{"192.0.2.1", "192.0.2.2"}));
    EXPECT_EQ(p.domainName, "lan");

    dir.write("resolv.conf", "nameserver 127.0.1.1\n");  // NetworkManager's dnsmasq
    dir.write("nm.conf", "nameserver 198.51.100.53\n");
    dir.write("hosts", "127.0.1.1 desk7.office.example desk7\n");
    dir.write("ip_forward", "1\n");
    p = read(desk7);
    EXPECT_EQ(p.dnsServers, (std::vector<std::string>{"198.51.100.53"}));
    EXPECT_EQ(p.domainName, "office.example");
    EXPECT_EQ(p.enableRouting, 1);
    p = read([](char* name, std::size_t length) {
        std::strncpy(name, "desk9.fqdn.example", length);
        return 0;
    });
    EXPECT_EQ(p.domainName, "fqdn.example");
    p = read([](char*, std::size_t) {
        errno = ENAMETOOLONG;
        return -1;
    });
    EXPECT_EQ(p.sizingError, ENAMETOOLONG);
}

TEST(Timezone, BiasFollowsDaylightSavingAtTheInstantAsked) {
    auto january = []() -> std::time_t { return 1767225600; };  // 2026-01-01
    auto july = []() -> std::time_t { return 1783000000; };     // 2026-07-02
    const struct {
        const char* zone;
        std::time_t (*now)();
        float bias;
    } cases[] = {
        {"CET-1CEST,M3.5.0,M10.5.0/3", january, -1.0f},
        {"CET-1CEST,M3.5.0,M10.5.0/3", july, -2.0f},
        {"IST-5:30", july, -5.5f},
        {"NST3:30NDT,M3.2.0,M11.1.0", july, 2.5f},
        {"NST3:30NDT,M3.2.0,M11.1.0", january, 3.5f},
        {"UTC0", july, 0.0f},
    };
    const std::string saved = std::getenv("TZ") != nullptr ? std::getenv("TZ") : "";
    for (const auto& c : cases) {
        ::setenv("TZ", c.zone, 1);
        EXPECT_EQ(LocalTimezone(c.now).TimezoneBiasHours(), c.bias) << c.zone;
    }
    ::setenv("TZ", saved.c_str(), 1);
    ::tzset();
}

TEST(InterfaceMapping, TypeStateKindRoleAndSpeed) {
    EXPECT_EQ(interfaceTypeOf(ARPHRD_IEEE80211_RADIOTAP), kTypeEthernet);
    EXPECT_EQ(interfaceTypeOf(ARPHRD_PPP), kTypePpp);
    EXPECT_EQ(interfaceTypeOf(ARPHRD_NONE), kTypeOther);
    const unsigned running = IFF_UP | IFF_RUNNING;
    const std::pair<std::pair<unsigned char, unsigned>, int> states[] = {
        {{IF_OPER_DORMANT, running}, kOperConnecting},
        {{IF_OPER_DOWN, running}, kOperDisconnected},
        {{IF_OPER_NOTPRESENT, 0}, kOperNonOperational},
        {{IF_OPER_UNKNOWN, running}, kOperOperational},
        {{IF_OPER_UNKNOWN, IFF_UP}, kOperDisconnected}};
    for (const auto& [state, oper] : states)
        EXPECT_EQ(operStatusOf(state.first, state.second), oper) << int{state.first};

    // Wi-Fi by its phy80211 link, a gadget by its uevent; a tap for a VM (tun flags 0x1002)
    // serves guests, a tun (0x1001) is a VPN.
    test::TempDir sys;
    for (const char* d : {"wlp2s0/phy80211", "wlp2s0/device", "usb0", "vnet0", "tun0"})
        std::filesystem::create_directories(sys.path() + d);
    sys.write("vnet0/tun_flags", "0x1002\n");
    sys.write("tun0/tun_flags", "0x1001\n");
    sys.write("wlp2s0/speed", "-1\n");
    sys.write("usb0/uevent", "DEVTYPE=gadget\n");
    sys.write("usb0/speed", "480\n");
    const std::string root = sys.path().substr(0, sys.path().size() - 1);
    EXPECT_EQ(interfaceKind(root, "wlp2s0", ARPHRD_ETHER, ""), "Wi-Fi");
    EXPECT_EQ(interfaceKind(root, "usb0", ARPHRD_ETHER, ""), "gadget");
    EXPECT_EQ(interfaceKind(root, "gone", ARPHRD_ETHER, ""), "");
    EXPECT_EQ(interfaceSpeed(root, "usb0"), 480000000u);
    EXPECT_EQ(interfaceSpeed(root, "wlp2s0"), 0u);
    EXPECT_EQ(interfaceSpeed(root, ".."), 0u);
    const std::pair<std::pair<const char*, const char*>, LinkRole> roles[] = {
        {{"wlp2s0", ""}, LinkRole::Physical}, {{"usb0", ""}, LinkRole::Other},
        {{"vnet0", "tun"}, LinkRole::Guest},  {{"tun0", "tun"}, LinkRole::Other},
        {{"br0", "bridge"}, LinkRole::Guest}, {{"../x", "tun"}, LinkRole::Other}};
    for (const auto& [link, role] : roles)
        EXPECT_EQ(linkRole(root, link.first, ARPHRD_ETHER, link.second), role) << link.first;
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

    // The kernel refuses the dump with a negated errno; any other number is a damaged answer.
    const std::pair<int, int> refusals[] = {{-EPERM, EPERM}, {5, EPROTO}, {-5000, EPROTO}};
    for (const auto& [sent, error] : refusals) {
        calls.onReceive = [sent](msghdr* m) -> ssize_t {
            const nlmsghdr head{NLMSG_LENGTH(sizeof(nlmsgerr)), NLMSG_ERROR, 0, 1, 0};
            const nlmsgerr failure{sent, {}};
            auto* out = static_cast<char*>(m->msg_iov[0].iov_base);
            std::memcpy(out, &head, sizeof head);
            std::memcpy(out + NLMSG_HDRLEN, &failure, sizeof failure);
            return head.nlmsg_len;
        };
        EXPECT_EQ(LinuxInterfaceSource("/nonexistent", calls).readInterfaces().error, error);
    }
}

}  // namespace
}  // namespace zelto::netparams
