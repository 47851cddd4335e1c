#include "netparams/linux/DhcpLeases.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "netparams/linux/LinuxDhcpSource.h"
#include "support/TempDir.h"

namespace zelto::netparams {
namespace {

const std::string kFixtures =
    std::string(__FILE__).substr(0, std::string(__FILE__).rfind('/')) + "/fixtures/";
constexpr std::int64_t kFileTime = 1765000000;

std::string fixture(const std::string& name) {
    std::ifstream in(kFixtures + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void expectLease(const std::optional<DhcpLease>& lease, const std::string& server,
                 std::int64_t obtained, std::int64_t expires) {
    ASSERT_TRUE(lease.has_value());
    EXPECT_EQ(lease->server, server);
    EXPECT_EQ(lease->obtained, obtained);
    EXPECT_EQ(lease->expires, expires);
}

TEST(DhclientLeases, LastBlockOfTheInterfaceWins) {
    const std::string text = fixture("dhclient.leases");
    expectLease(parseDhclientLeases(text, "eth0", false, kFileTime), "192.168.1.2",
                1765438200 - 3600, 1765438200);
    expectLease(parseDhclientLeases(text, "wlan0", false, kFileTime), "10.0.0.1", 1765440000 - 7200,
                1765440000);
    EXPECT_FALSE(parseDhclientLeases(text, "eth1", false, kFileTime));
    EXPECT_FALSE(parseDhclientLeases(text, "eth", true, kFileTime));
}

TEST(DhclientLeases, EpochAndNeverForms) {
    const std::string text = fixture("dhclient.eth1.leases");
    // Blocks without an interface line count only in a file named after one interface.
    EXPECT_FALSE(parseDhclientLeases(text, "eth1", false, kFileTime));
    expectLease(parseDhclientLeases(text, "eth1", true, kFileTime), "172.16.5.254", kFileTime,
                kNeverExpires);
    const std::string first = text.substr(0, text.find('}') + 1);
    expectLease(parseDhclientLeases(first, "eth1", true, kFileTime), "172.16.5.1", 1765000000 - 600,
                1765000000);
}

TEST(DhclientLeases, DamagedFileKeepsOnlyWhatIsSound) {
    expectLease(parseDhclientLeases(fixture("dhclient-damaged.leases"), "eth0", false, kFileTime),
                "", kFileTime, 0);
    for (const char* junk : {"", "}", "{{{{", "lease {", "\"", "#"})
        EXPECT_FALSE(parseDhclientLeases(junk, "eth0", true, kFileTime)) << junk;
    expectLease(parseDhclientLeases("lease { expire epoch ; }", "eth0", true, kFileTime), "",
                kFileTime, 0);
}

TEST(NetworkdLease, KeyValueAndJsonForms) {
    expectLease(parseNetworkdLease(fixture("networkd-lease"), kFileTime), "192.168.122.1",
                kFileTime, kFileTime + 3600);
    expectLease(parseNetworkdLease(fixture("networkd-lease.json"), kFileTime), "192.168.122.1",
                kFileTime, 0);
    EXPECT_FALSE(parseNetworkdLease(fixture("networkd-damaged"), kFileTime));
    EXPECT_FALSE(parseNetworkdLease("", kFileTime));
    expectLease(parseNetworkdLease("{\"Server_Address\": [1, 2, 3", kFileTime), "", kFileTime, 0);
}

TEST(DhcpcdLease, RawMessageOptions) {
    expectLease(parseDhcpcdLease(fixture("dhcpcd-eth0.lease"), kFileTime), "192.168.1.1", kFileTime,
                kFileTime + 7200);
    // Option 52 moves the server identifier into the file field; an infinite lease never ends.
    expectLease(parseDhcpcdLease(fixture("dhcpcd-overload.lease"), kFileTime), "10.1.2.3",
                kFileTime, kNeverExpires);
    expectLease(parseDhcpcdLease(fixture("dhcpcd-cutoption.lease"), kFileTime), "192.168.1.1",
                kFileTime, 0);
    EXPECT_FALSE(parseDhcpcdLease(fixture("dhcpcd-truncated.lease"), kFileTime));
    EXPECT_FALSE(parseDhcpcdLease(fixture("dhcpcd-badcookie.lease"), kFileTime));
}

TEST(NetworkManagerLease, OptionsGiveServerAndTimes) {
    expectLease(leaseFromNetworkManager({{"dhcp_server_identifier", "192.0.2.1"},
                                         {"dhcp_lease_time", "3600"},
                                         {"expiry", "1765000000"}}),
                "192.0.2.1", 1765000000 - 3600, 1765000000);
    expectLease(leaseFromNetworkManager({{"dhcp_server_identifier", "junk"}, {"expiry", "x"}}), "",
                0, 0);
}

// 2025-12-10 00:00 UTC: the fixtures' last eth0 lease (192.168.1.51) runs until the 11th.
std::int64_t fixtureNow() {
    return 1765324800;
}

InterfaceRow link(int index, const std::string& name, const std::string& address) {
    InterfaceRow row;
    row.index = index;
    row.name = name;
    if (!address.empty())
        row.addresses.push_back({address, "255.255.255.0"});
    return row;
}

// Which configuration decides, and which lease counts, for one link. Every case starts from
// the same lease records: dhclient's (eth0 at .51, current) and dhcpcd's (wlan0).
TEST(DhcpDecision, ConfigurationFirstThenACurrentLeaseOfTheLink) {
    const std::string network = "[Match]\nName=eth0\n[Network]\nDHCP=";
    const std::string oldLease =
        "lease {\n interface \"eth0\";\n fixed-address 192.168.1.51;\n"
        " option dhcp-server-identifier 192.168.1.1;\n"
        " expire 2 2019/03/12 10:00:00;\n}\n";
    const struct {
        const char* what;
        std::map<std::string, std::string> files;
        InterfaceRow link;
        std::optional<std::string> server;  // nothing: DHCP "Disabled"
    } cases[] = {
        {"a current lease of the link's address",
         {},
         link(2, "eth0", "192.168.1.51"),
         "192.168.1.2"},
        {"the newest lease names another address", {}, link(2, "eth0", "192.168.1.50"), {}},
        {"an expired lease",
         {{"dhcp/dhclient.leases", oldLease}},
         link(2, "eth0", "192.168.1.51"),
         {}},
        {"dhcpcd's lease of a Wi-Fi network", {}, link(3, "wlan0", "192.168.1.77"), "10.1.2.3"},
        {"networkd asks for DHCP that has not answered",
         {{"links/4", "ADMIN_STATE=configuring\nNETWORK_FILE=NET/4.network\n"},
          {"4.network", network + "yes\n"}},
         link(4, "eth4", ""),
         ""},
        {"networkd's drop-in turns DHCP off though a lease is current",
         {{"links/2",
           "ADMIN_STATE=configured\nNETWORK_FILE=NET/2.network\n"
           "NETWORK_FILE_DROPINS=\"NET/2.conf\"\n"},
          {"2.network", network + "ipv4\n"},
          {"2.conf", "[Network]\nDHCP=no\n"}},
         link(2, "eth0", "192.168.1.51"),
         {}},
        {"networkd's lease when it configures the link",
         {{"links/5", "ADMIN_STATE=configured\nNETWORK_FILE=NET/5.network\n"},
          {"5.network", network + "yes\n"},
          {"leases/5", "ADDRESS=192.168.122.57\nSERVER_ADDRESS=192.168.122.1\n"}},
         link(5, "eth5", "192.168.122.57"),
         "192.168.122.1"},
        {"ifupdown's dhcp stanza in interfaces.d",
         {{"interfaces", "iface eth6 inet static\n"},
          {"interfaces.d/eth6", "auto eth6\niface eth6 inet dhcp # wired\n"}},
         link(6, "eth6", ""),
         ""},
        {"ifupdown's static stanza though a lease is current",
         {{"interfaces", "iface eth0 inet static\n  address 192.168.1.51/24\n"}},
         link(2, "eth0", "192.168.1.51"),
         {}},
        {"a dhclient running for the link",
         {{"run/dhclient.eth7.pid", "4242\n"},
          {"proc/4242/cmdline", std::string("/sbin/dhclient\0-4\0eth7\0", 23)}},
         link(7, "eth7", ""),
         ""},
        {"a stale pid file naming another program",
         {{"run/dhclient.eth7.pid", "4242\n"}, {"proc/4242/cmdline", std::string("bash\0", 5)}},
         link(7, "eth7", ""),
         {}},
        {"NetworkManager's own lease file of the link's address",
         {{"nm/internal-0b1c-eth8.lease", "ADDRESS=10.8.0.5\nSERVER_ADDRESS=10.8.0.1\n"}},
         link(8, "eth8", "10.8.0.5"),
         "10.8.0.1"},
        {"NetworkManager's lease file of an earlier address",
         {{"nm/internal-0b1c-eth8.lease", "ADDRESS=10.8.0.9\nSERVER_ADDRESS=10.8.0.1\n"}},
         link(8, "eth8", "10.8.0.5"),
         {}},
        {"a name that would leave the folders", {}, link(9, "../dhcp/dhclient", ""), {}},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        for (const char* sub : {"dhcp", "dhcpcd", "leases", "links", "nm", "run"})
            std::filesystem::create_directories(dir.path() + sub);
        dir.write("dhcp/dhclient.leases", fixture("dhclient.leases"));
        dir.write("dhcpcd/wlan0-HomeNet.lease", fixture("dhcpcd-overload.lease"));
        for (const auto& [file, content] : c.files) {
            std::filesystem::create_directories(
                std::filesystem::path(dir.path() + file).parent_path());
            std::string text = content;
            for (std::size_t at; (at = text.find("NET/")) != std::string::npos;)
                text.replace(at, 4, dir.path());
            dir.write(file, text);
        }
        DhcpPaths paths;
        paths.networkdLeases = dir.path() + "leases";
        paths.networkdLinks = dir.path() + "links";
        paths.dhclientDirs = {dir.path() + "missing", dir.path() + "dhcp"};
        paths.dhcpcdDirs = {dir.path() + "dhcpcd"};
        paths.ifupdownFile = dir.path() + "interfaces";
        paths.ifupdownDir = dir.path() + "interfaces.d";
        paths.run = dir.path() + "run";
        paths.proc = dir.path() + "proc";
        paths.networkManagerLeases = dir.path() + "nm";
        const auto lease = LinuxDhcpSource(paths, nullptr, fixtureNow).lease(c.link);
        EXPECT_EQ(lease ? std::optional(lease->server) : std::nullopt, c.server) << c.what;
    }
}

}  // namespace
}  // namespace zelto::netparams
