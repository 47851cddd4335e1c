#include <gtest/gtest.h>
#include <linux/if.h>
#include <linux/if_arp.h>
#include <linux/netlink.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>

#include "FakeSources.h"
#include "netparams/linux/DhcpLeases.h"
#include "netparams/linux/LinuxDhcpSource.h"
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
    zelto::test::TempDir dir;
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
    const std::string saved = std::getenv("TZ") != nullptr ? std::getenv("TZ") : "";
    ::setenv("TZ", "NST3:30NDT,M3.2.0,M11.1.0", 1);
    EXPECT_EQ(LocalTimezone(july).TimezoneBiasHours(), 2.5f);
    EXPECT_EQ(LocalTimezone(january).TimezoneBiasHours(), 3.5f);
    ::setenv("TZ", "IST-5:30", 1);
    EXPECT_EQ(LocalTimezone(july).TimezoneBiasHours(), -5.5f);
    ::setenv("TZ", saved.c_str(), 1);
    ::tzset();
}

TEST(InterfaceMapping, TypeStateKindRoleAndSpeed) {
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
    zelto::test::TempDir sys;
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

using test::fixture;

std::string text(const std::optional<DhcpLease>& l) {
    return !l ? "none"
              : l->server + " " + std::to_string(l->obtained) + " " + std::to_string(l->expires) +
                    " " + l->address;
}

// Every client's record: damaged ones keep only what is sound.
TEST(LeaseRecords, ServerTimesAndAddressOfEachClientsRecord) {
    constexpr std::int64_t kWritten = 1765000000;  // when the record was written
    const std::string dhclient = fixture("dhclient.leases");
    const std::string eth1 = fixture("dhclient.eth1.leases");  // of one interface
    const std::pair<std::optional<DhcpLease>, std::string> cases[] = {
        // dhclient: the interface's last block wins; times are UTC, "epoch" or "never".
        {parseDhclientLeases(dhclient, "eth0", false, kWritten),
         "192.168.1.2 1765434600 1765438200 192.168.1.51"},
        {parseDhclientLeases(dhclient, "wlan0", false, kWritten),
         "10.0.0.1 1765432800 1765440000 10.0.0.23"},
        {parseDhclientLeases(dhclient, "eth1", false, kWritten), "none"},
        {parseDhclientLeases(dhclient, "eth", true, kWritten), "none"},
        {parseDhclientLeases(eth1, "eth1", false, kWritten), "none"},
        {parseDhclientLeases(eth1, "eth1", true, kWritten),
         "172.16.5.254 1765000000 2147483647 172.16.5.10"},
        {parseDhclientLeases(eth1.substr(0, eth1.find('}') + 1), "eth1", true, kWritten),
         "172.16.5.1 1764999400 1765000000 172.16.5.9"},
        {parseDhclientLeases(fixture("dhclient-damaged.leases"), "eth0", false, kWritten),
         " 1765000000 0 "},
        {parseDhclientLeases("lease { expire epoch ; }", "eth0", true, kWritten), " 1765000000 0 "},
        {parseDhclientLeases("lease {", "eth0", true, kWritten), "none"},
        {parseDhclientLeases("}{{{\"#", "eth0", true, kWritten), "none"},
        // systemd-networkd (and NetworkManager's internal client): key=value or JSON.
        {parseNetworkdLease(fixture("networkd-lease"), kWritten),
         "192.168.122.1 1765000000 1765003600 192.168.122.57"},
        {parseNetworkdLease(fixture("networkd-lease.json"), kWritten),
         "192.168.122.1 1765000000 0 "},
        {parseNetworkdLease(fixture("networkd-damaged"), kWritten), "none"},
        {parseNetworkdLease("{\"Server_Address\": [1, 2, 3", kWritten), " 1765000000 0 "},
        // dhcpcd: the raw message. Option 52 moves the server identifier into the file field;
        // an infinite lease never ends.
        {parseDhcpcdLease(fixture("dhcpcd-eth0.lease"), kWritten),
         "192.168.1.1 1765000000 1765007200 192.168.1.77"},
        {parseDhcpcdLease(fixture("dhcpcd-overload.lease"), kWritten),
         "10.1.2.3 1765000000 2147483647 192.168.1.77"},
        {parseDhcpcdLease(fixture("dhcpcd-cutoption.lease"), kWritten),
         "192.168.1.1 1765000000 0 192.168.1.77"},
        {parseDhcpcdLease(fixture("dhcpcd-truncated.lease"), kWritten), "none"},
        {parseDhcpcdLease(fixture("dhcpcd-badcookie.lease"), kWritten), "none"},
        // NetworkManager's options over the bus.
        {leaseFromNetworkManager({{"dhcp_server_identifier", "192.0.2.1"},
                                  {"dhcp_lease_time", "3600"},
                                  {"expiry", "1765000000"}}),
         "192.0.2.1 1764996400 1765000000 "},
        {leaseFromNetworkManager({{"dhcp_server_identifier", "junk"}, {"expiry", "x"}}), " 0 0 "},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(text(cases[i].first), cases[i].second) << "case " << i;
}

// Which configuration decides, and which lease counts, for one link. Every case starts from
// the same lease records: dhclient's (eth0 at .51, current) and dhcpcd's (wlan0).
TEST(DhcpDecision, ConfigurationFirstThenACurrentLeaseOfTheLink) {
    const std::string network = "[Match]\nName=eth0\n[Network]\nDHCP=";
    const std::string links = "ADMIN_STATE=configured\nNETWORK_FILE=NET/";
    // Each case: the link (index, name, address), the server found (nothing: DHCP "Disabled")
    // and the files it adds.
    const struct {
        struct {
            int index;
            const char* name;
            const char* address;
            std::optional<std::string> server;
        } link;
        std::map<std::string, std::string> files;
    } cases[] = {
        // A current lease of the link's address; the newest lease names another address.
        {{2, "eth0", "192.168.1.51", "192.168.1.2"}, {}},
        {{2, "eth0", "192.168.1.50", {}}, {}},
        // An expired lease.
        {{2, "eth0", "192.168.1.51", {}},
         {{"dhcp/dhclient.leases",
           "lease {\n interface \"eth0\";\n fixed-address 192.168.1.51;\n"
           " expire 2 2019/03/12 10:00:00;\n}\n"}}},
        // dhcpcd's lease of a Wi-Fi network.
        {{3, "wlan0", "192.168.1.77", "10.1.2.3"}, {}},
        // networkd asks for DHCP that has not answered.
        {{4, "eth4", "", ""},
         {{"links/4", "ADMIN_STATE=configuring\nNETWORK_FILE=NET/4.network\n"},
          {"4.network", network + "yes\n"}}},
        // networkd's drop-in turns DHCP off though a lease is current.
        {{2, "eth0", "192.168.1.51", {}},
         {{"links/2", links + "2.network\nNETWORK_FILE_DROPINS=\"NET/2.conf\"\n"},
          {"2.network", network + "ipv4\n"},
          {"2.conf", "[Network]\nDHCP=no\n"}}},
        // networkd's lease when it configures the link.
        {{5, "eth5", "192.168.122.57", "192.168.122.1"},
         {{"links/5", links + "5.network\n"},
          {"5.network", network + "yes\n"},
          {"leases/5", "ADDRESS=192.168.122.57\nSERVER_ADDRESS=192.168.122.1\n"}}},
        // ifupdown's dhcp stanza in interfaces.d; its static stanza though a lease is current.
        {{6, "eth6", "", ""},
         {{"interfaces", "iface eth6 inet static\n"},
          {"interfaces.d/eth6", "auto eth6\niface eth6 inet dhcp # wired\n"}}},
        {{2, "eth0", "192.168.1.51", {}},
         {{"interfaces", "iface eth0 inet static\n  address 192.168.1.51/24\n"}}},
        // A dhclient running for the link; a stale pid file naming another program.
        {{7, "eth7", "", ""},
         {{"run/dhclient.eth7.pid", "4242\n"},
          {"proc/4242/cmdline", std::string("/sbin/dhclient\0-4\0eth7\0", 23)}}},
        {{7, "eth7", "", {}},
         {{"run/dhclient.eth7.pid", "4242\n"}, {"proc/4242/cmdline", std::string("bash\0", 5)}}},
        // NetworkManager's own lease file of the link's address, and of an earlier address.
        {{8, "eth8", "10.8.0.5", "10.8.0.1"},
         {{"nm/internal-0b1c-eth8.lease", "ADDRESS=10.8.0.5\nSERVER_ADDRESS=10.8.0.1\n"}}},
        {{8, "eth8", "10.8.0.5", {}},
         {{"nm/internal-0b1c-eth8.lease", "ADDRESS=10.8.0.9\nSERVER_ADDRESS=10.8.0.1\n"}}},
        // A name that would leave the folders.
        {{9, "../dhcp/dhclient", "", {}}, {}},
    };
    for (const auto& c : cases) {
        zelto::test::TempDir dir;
        std::map<std::string, std::string> files = {
            {"dhcp/dhclient.leases", fixture("dhclient.leases")},
            {"dhcpcd/wlan0-HomeNet.lease", fixture("dhcpcd-overload.lease")}};
        for (const auto& [file, content] : c.files)
            files[file] = content;
        for (auto [file, content] : files) {
            std::filesystem::create_directories(
                std::filesystem::path(dir.path() + file).parent_path());
            for (std::size_t at; (at = content.find("NET/")) != std::string::npos;)
                content.replace(at, 4, dir.path());
            dir.write(file, content);
        }
        const InterfaceRow link = test::ethernetRow(c.link.index, c.link.name, c.link.address, "");
        // 2025-12-10 00:00 UTC: the last eth0 lease of the dhclient record runs until the 11th.
        const auto lease = LinuxDhcpSource(test::recordsUnder(dir.path()), nullptr, [] {
                               return std::int64_t{1765324800};
                           }).lease(link);
        EXPECT_EQ(lease ? std::optional(lease->server) : std::nullopt, c.link.server)
            << "case " << &c - cases;
    }
}

}  // namespace
}  // namespace zelto::netparams
