#include "netparams/linux/DhcpLeases.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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

class DhcpChain : public ::testing::Test {
  protected:
    DhcpChain() {
        for (const char* sub : {"dhcp", "dhcpcd", "leases"})
            std::filesystem::create_directories(dir.path() + sub);
        dir.write("dhcp/dhclient.leases", fixture("dhclient.leases"));
        dir.write("dhcpcd/dhcpcd-eth0.lease", fixture("dhcpcd-eth0.lease"));
        dir.write("dhcpcd/wlan0-HomeNet.lease", fixture("dhcpcd-overload.lease"));
        paths.networkdLeases = dir.path() + "leases";
        paths.dhclientDirs = {dir.path() + "missing", dir.path() + "dhcp"};
        paths.dhcpcdDirs = {dir.path() + "dhcpcd"};
    }
    test::TempDir dir;
    DhcpPaths paths;
};

TEST_F(DhcpChain, FirstClientThatKnowsTheInterfaceAnswers) {
    LinuxDhcpSource source(paths);
    EXPECT_EQ(source.lease(2, "eth0")->server, "192.168.1.2");  // dhclient before dhcpcd
    EXPECT_EQ(source.lease(3, "wlan0")->server, "10.0.0.1");
    EXPECT_FALSE(source.lease(4, "eth9"));
    EXPECT_FALSE(source.lease(5, "../dhcp/dhclient"));

    dir.write("leases/2", fixture("networkd-lease"));  // systemd-networkd comes first
    EXPECT_EQ(source.lease(2, "eth0")->server, "192.168.122.1");
    dir.write("leases/2", fixture("networkd-damaged"));  // a damaged record is passed over
    EXPECT_EQ(source.lease(2, "eth0")->server, "192.168.1.2");

    paths.dhclientDirs.clear();
    EXPECT_EQ(LinuxDhcpSource(paths).lease(3, "wlan0")->server, "10.1.2.3");
}

}  // namespace
}  // namespace zelto::netparams
