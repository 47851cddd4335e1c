#include <gtest/gtest.h>
#include <linux/if.h>
#include <linux/if_arp.h>
#include <linux/netlink.h>

#include <cstring>
#include <filesystem>
#include <regex>
#include <sstream>

#include "FakeSources.h"
#include "netparams/linux/DhcpLeases.h"
#include "netparams/linux/LinuxInterfaceSource.h"
#include "netparams/linux/LinuxParamsSource.h"
#include "netparams/linux/LocalTimezone.h"
#include "support/TempDir.h"

namespace zelto::netparams {
namespace {

int desk7(char* name, std::size_t length) {
    std::strncpy(name, "desk7", length);
    return 0;
}

// The servers a user must know: behind a local stub or relay, the ones it forwards to, in
// order and as their files have them. The domain: the resolver's last domain or search line,
// else the canonical name of this PC in the hosts file.
TEST(Params, FromTheirFilesWithTheServersBehindAStub) {
    zelto::test::TempDir dir;
    const std::string d = dir.path();
    const ParamsPaths paths{d + "resolv.conf", d + "resolved.conf", d + "nm.conf", d + "hosts",
                            d + "ip_forward"};
    auto read = [&paths] { return LinuxParamsSource(paths, nullptr, desk7).readParams(); };
    dir.write("resolv.conf",
              "# generated\r\nnameserver 127.0.0.53\ndomain first.example\n"
              "search . corp.example. other.example\noptions edns0\n");
    dir.write(
        "resolved.conf",
        "nameserver 192.0.2.1\nnameserver   192.0.2.2   # the second\nnameserver 2001:db8::1\n"
        "nameserver not.an.address\n;nameserver 192.0.2.99\nnameserver 0.0.0.0\n"
        "search up.example\n");
    NetworkParams p = read();
    EXPECT_EQ(p.dnsServers, (std::vector<std::string>{"192.0.2.1", "192.0.2.2", "0.0.0.0"}));
    EXPECT_EQ(p.domainName, "corp.example");

    dir.write("resolv.conf", "nameserver 127.0.1.1\n");  // NetworkManager's dnsmasq
    dir.write("nm.conf", "nameserver 198.51.100.53\n");
    dir.write("hosts", "127.0.0.1 localhost\n127.0.1.1 desk7.office.example DESK7  # this PC\n");
    dir.write("ip_forward", "1\n");
    p = read();
    EXPECT_EQ(p.dnsServers, (std::vector<std::string>{"198.51.100.53"}));
    EXPECT_EQ(p.domainName, "office.example");
    EXPECT_EQ(p.enableRouting, 1);
}

// The zone is read afresh each time: a user may change it while the program runs.
TEST(Timezone, BiasIsTheZonesOffsetWestOfUtcInHours) {
    ::setenv("TZ", "NST3:30", 1);
    EXPECT_EQ(LocalTimezone().TimezoneBiasHours(), 3.5f);
    ::setenv("TZ", "IST-5:30", 1);
    EXPECT_EQ(LocalTimezone().TimezoneBiasHours(), -5.5f);  // no later test here reads the zone
}

TEST(InterfaceMapping, TypeStateKindRoleAndSpeed) {
    const unsigned running = IFF_UP | IFF_RUNNING;
    const std::tuple<unsigned char, unsigned, int> states[] = {
        {IF_OPER_DORMANT, running, kOperConnecting},
        {IF_OPER_DOWN, running, kOperDisconnected},
        {IF_OPER_NOTPRESENT, 0, kOperNonOperational},
        {IF_OPER_UNKNOWN, running, kOperOperational},
        {IF_OPER_UNKNOWN, IFF_UP, kOperDisconnected}};
    for (const auto& [state, flags, oper] : states)
        EXPECT_EQ(operStatusOf(state, flags), oper) << int{state};

    // Wi-Fi by its phy80211 link, a gadget by its uevent; a tap for a VM (tun flags 0x1002)
    // serves guests, a tun (0x1001) is a VPN.
    zelto::test::TempDir sys;
    for (const char* d : {"wlp2s0/phy80211", "wlp2s0/device", "usb0/queues", "vnet0", "tun0"})
        std::filesystem::create_directories(sys.path() + d);
    sys.write("vnet0/tun_flags", "0x1002\n");
    sys.write("tun0/tun_flags", "0x1001\n");
    sys.write("wlp2s0/speed", "-1\n");
    sys.write("usb0/uevent", "DEVTYPE=gadget\n");
    sys.write("usb0/speed", "480\n");
    const std::string root = sys.path().substr(0, sys.path().size() - 1);
    EXPECT_EQ(interfaceKind(root, "wlp2s0", ARPHRD_ETHER, ""), "Wi-Fi");
    EXPECT_EQ(interfaceKind(root, "usb0", ARPHRD_ETHER, ""), "gadget");
    EXPECT_EQ(interfaceSpeed(root, "usb0"), 480000000u);
    EXPECT_EQ(interfaceSpeed(root, "wlp2s0"), 0u);
    EXPECT_EQ(interfaceSpeed(root + "/usb0/queues", ".."), 0u);  // never out of the folder
    const std::pair<std::pair<const char*, const char*>, LinkRole> roles[] = {
        {{"wlp2s0", ""}, LinkRole::Physical}, {{"usb0", ""}, LinkRole::Other},
        {{"vnet0", "tun"}, LinkRole::Guest},  {{"tun0", "tun"}, LinkRole::Other},
        {{"br0", "bridge"}, LinkRole::Guest}, {{"../x", "tun"}, LinkRole::Other}};
    for (const auto& [link, role] : roles)
        EXPECT_EQ(linkRole(root, link.first, ARPHRD_ETHER, link.second), role) << link.first;
}

// The real calls, except a socket that cannot be had, and a receive that fails (refusal 0) or
// brings the kernel's refusal of the dump with the number given.
struct ScriptedNetlinkCalls : system::SystemCalls {
    int socketErrno = 0;
    int refusal = 0;
    int socket(int domain, int type, int protocol) override {
        errno = socketErrno;
        return socketErrno != 0 ? -1 : SystemCalls::socket(domain, type, protocol);
    }
    ssize_t recvmsg(int, msghdr* m, int) override {
        const nlmsghdr head{NLMSG_LENGTH(sizeof(nlmsgerr)), NLMSG_ERROR, 0, 1, 0};
        const nlmsgerr failure{refusal, {}};
        auto* out = static_cast<char*>(m->msg_iov[0].iov_base);
        std::memcpy(out, &head, sizeof head);
        std::memcpy(out + NLMSG_HDRLEN, &failure, sizeof failure);
        errno = EIO;
        return refusal == 0 ? -1 : ssize_t{head.nlmsg_len};
    }
};

TEST(NetlinkSource, FailedCallsGiveTheirErrno) {
    ScriptedNetlinkCalls calls;
    calls.socketErrno = EMFILE;
    const InterfaceTable t = LinuxInterfaceSource("/nonexistent", calls).readInterfaces();
    EXPECT_EQ(std::pair(t.sizingError, t.rows.size()), std::pair(EMFILE, std::size_t{0}));
    calls.socketErrno = 0;
    // A failed receive (0); the kernel refuses the dump with a negated errno; any other number
    // is a damaged answer.
    const std::pair<int, int> refusals[] = {
        {0, EIO}, {-EPERM, EPERM}, {5, EPROTO}, {-5000, EPROTO}};
    for (const auto& [sent, error] : refusals) {
        calls.refusal = sent;
        const InterfaceTable failed = LinuxInterfaceSource("/nonexistent", calls).readInterfaces();
        EXPECT_EQ(std::pair(failed.sizingError, failed.error), std::pair(0, error)) << sent;
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
    const auto dhclient = [](const std::string& text, const char* link, bool anyLink) {
        return parseDhclientLeases(text, link, anyLink, kWritten);
    };
    const auto dhcpcd = [](const char* file) { return parseDhcpcdLease(fixture(file), kWritten); };
    const std::string all = fixture("dhcp/dhclient.leases");
    const std::string eth1 = fixture("dhclient.eth1.leases");  // of one interface
    const std::pair<std::optional<DhcpLease>, std::string> cases[] = {
        // dhclient: the interface's last block wins; times are UTC, "epoch" or "never".
        {dhclient(all, "eth0", false), "192.168.1.2 1765434600 1765438200 192.168.1.51"},
        {dhclient(all, "wlan0", false), "10.0.0.1 1765432800 1765440000 10.0.0.23"},
        {dhclient(eth1, "eth1", false), "none"},
        {dhclient(eth1, "eth1", true), "172.16.5.254 1765000000 2147483647 172.16.5.10"},
        {dhclient(eth1.substr(0, eth1.find('}') + 1), "eth1", true),
         "172.16.5.1 1764999400 1765000000 172.16.5.9"},
        {dhclient(fixture("dhclient-damaged.leases"), "eth0", false), " 1765000000 0 "},
        // systemd-networkd (and NetworkManager's internal client): key=value or JSON.
        {parseNetworkdLease(fixture("networkd-lease"), kWritten),
         "192.168.122.1 1765000000 1765003600 192.168.122.57"},
        {parseNetworkdLease(fixture("networkd-lease.json"), kWritten),
         "192.168.122.1 1765000000 0 "},
        // dhcpcd: the raw message. Option 52 moves the server identifier into the file field;
        // an infinite lease never ends.
        {dhcpcd("dhcpcd/wlan0-HomeNet.lease"), "10.1.2.3 1765000000 2147483647 192.168.1.77"},
        {dhcpcd("dhcpcd-cutoption.lease"), "192.168.1.1 1765000000 0 192.168.1.77"},
        {dhcpcd("dhcpcd-truncated.lease"), "none"},
        // NetworkManager's options over the bus (a sound lease in SystemBus_test).
        {leaseFromNetworkManager({{"dhcp_server_identifier", "junk"}, {"expiry", "x"}}), " 0 0 "},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(text(cases[i].first), cases[i].second) << "case " << i;
}

// Which configuration decides, and which lease counts, for one link. Every case starts from
// the same lease records, fixtures/dhcp and fixtures/dhcpcd: dhclient's (eth0 at .51, current)
// and dhcpcd's (wlan0).
TEST(DhcpDecision, ConfigurationFirstThenACurrentLeaseOfTheLink) {
    using namespace std::string_literals;
    using test::ethernetRow;
    constexpr auto none = std::nullopt;
    // Each case: the link, the server found (nothing: DHCP "Disabled") and the files it adds
    // as "name=content" entries split by "|", NET/ standing for their folder.
    const struct {
        InterfaceRow link;
        std::optional<std::string> server;
        std::string files;
    } cases[] = {
        // A current lease of the link's address; the newest lease names another address.
        {ethernetRow(2, "eth0", "192.168.1.51"), "192.168.1.2", ""},
        {ethernetRow(2, "eth0", "192.168.1.50"), none, ""},
        // An expired lease of the link's address.
        {ethernetRow(10, "eth3", "192.168.1.53"), none,
         "dhcp/dhclient.eth3.leases=lease { fixed-address 192.168.1.53; "
         "expire 2 2019/03/12 10:00:00; }"},
        // dhcpcd's lease of a Wi-Fi network.
        {ethernetRow(3, "wlan0", "192.168.1.77"), "10.1.2.3", ""},
        // networkd asks for DHCP that has not answered.
        {ethernetRow(4, "eth4"), "",
         "links/4=ADMIN_STATE=configuring\nNETWORK_FILE=NET/4.network|4.network=[Network]\n"
         "DHCP=yes"},
        // networkd's drop-in turns DHCP off though a lease is current.
        {ethernetRow(2, "eth0", "192.168.1.51"), none,
         "links/2=ADMIN_STATE=configured\nNETWORK_FILE=NET/2.network\nNETWORK_FILE_DROPINS=\"NET/"
         "2.conf\"|2.network=[Network]\nDHCP=ipv4|2.conf=[Network]\nDHCP=no"},
        // networkd's lease when it configures the link.
        {ethernetRow(5, "eth5", "192.168.122.57"), "192.168.122.1",
         "links/5=ADMIN_STATE=configured\nNETWORK_FILE=NET/5.network|5.network=[Network]\nDHCP=yes|"
         "leases/5=ADDRESS=192.168.122.57\nSERVER_ADDRESS=192.168.122.1"},
        // ifupdown's dhcp stanza in interfaces.d after a static one; its static stanza though a
        // lease is current.
        {ethernetRow(6, "eth6"), "",
         "interfaces=iface eth6 inet static|interfaces.d/eth6=iface eth6 inet dhcp # wired"},
        {ethernetRow(2, "eth0", "192.168.1.51"), none, "interfaces=iface eth0 inet static"},
        // A dhclient running for the link; a stale pid file naming another program.
        {ethernetRow(7, "eth7"), "",
         "run/dhclient.eth7.pid=4242|proc/4242/cmdline=/sbin/dhclient\0-4\0eth7\0"s},
        {ethernetRow(7, "eth7"), none, "run/dhclient.eth7.pid=4242|proc/4242/cmdline=bash\0"s},
        // NetworkManager's own lease file of the link's address.
        {ethernetRow(8, "eth8", "10.8.0.5"), "10.8.0.1",
         "nm/internal-0b1c-eth8.lease=ADDRESS=10.8.0.5\nSERVER_ADDRESS=10.8.0.1"},
        // A name that would leave the folders.
        {ethernetRow(9, "../dhcp/dhclient"), none, ""},
    };
    for (const auto& c : cases) {
        zelto::test::TempDir dir;
        const std::string d = dir.path(), f = test::fixtures();
        std::istringstream entries(std::regex_replace(c.files, std::regex("NET/"), d));
        for (std::string entry; std::getline(entries, entry, '|');) {
            const std::string name = entry.substr(0, entry.find('='));
            std::filesystem::create_directories(std::filesystem::path(d + name).parent_path());
            dir.write(name, entry.substr(name.size() + 1));
        }
        const DhcpPaths paths{
            d + "leases",     {d + "dhcp", f + "dhcp"}, {f + "dhcpcd"}, d + "links",
            d + "interfaces", d + "interfaces.d",       d + "run",      d + "proc",
            d + "nm"};
        // 2025-12-10 00:00 UTC: the last eth0 lease of the dhclient record runs until the 11th.
        const auto lease =
            LinuxDhcpSource(paths, nullptr, [] { return std::int64_t{1765324800}; }).lease(c.link);
        EXPECT_EQ(lease ? std::optional(lease->server) : std::nullopt, c.server) << c.link.name;
    }
}

}  // namespace
}  // namespace zelto::netparams
