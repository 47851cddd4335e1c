#include "netparams/linux/DhcpLeases.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "FakeSources.h"
#include "netparams/linux/LinuxDhcpSource.h"
#include "support/TempDir.h"

namespace zelto::netparams {
namespace {

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
