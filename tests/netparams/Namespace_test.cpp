#include <gtest/gtest.h>

#include <QLocale>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "lab/Lab.h"
#include "netparams/AdpaterStatus.h"
#include "netparams/GetNetParams.h"
#include "netparams/linux/LinuxDhcpSource.h"
#include "netparams/linux/LinuxInterfaceSource.h"
#include "netparams/linux/LinuxParamsSource.h"
#include "netparams/linux/LocalTimezone.h"
#include "support/TempDir.h"

namespace zelto::netparams {
namespace {

std::string sysfs(const std::string& link, const std::string& attribute) {
    std::ifstream in("/sys/class/net/" + link + "/" + attribute);
    std::string value;
    std::getline(in, value);
    return value;
}

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// Everything below runs inside network namespaces this test makes: the packets it causes
// (one ping to the peer, the kernel's own neighbour messages) never leave them.
TEST(KernelSnapshot, ShowsExactlyTheNamespacesConfiguration) {
    lab::inFreshNetns([] {
        lab::Peer peer;
        lab::linkToPeer(peer, {"lab0", "lab1", "10.200.0.2/24", "10.200.0.1/24"});
        lab::ip("address add 10.200.7.9/16 dev lab0");
        lab::ip("link set lab0 mtu 1400");
        lab::ip("route add default via 10.200.0.1");
        lab::ip("link add spare0 type veth peer name spare1");
        lab::ip("link set spare1 netns " + std::to_string(peer.pid()));
        lab::ip("link set spare0 mtu 1280");  // left down
        lab::sysctl("net.ipv4.ip_forward", "1");
        lab::overlayFile("/etc/resolv.conf",
                         "nameserver 10.200.0.53\nnameserver 10.200.0.54\nsearch lab.example\n");
        lab::must({"ping", "-c", "1", "-W", "3", "10.200.0.1"});

        // The DHCP records are the test's own, so that the PC's real ones cannot leak in.
        test::TempDir leases;
        const std::string index = sysfs("lab0", "ifindex");
        leases.write(index, "ADDRESS=10.200.0.2\nSERVER_ADDRESS=10.200.0.1\nLIFETIME=3600\n");
        std::filesystem::last_write_time(
            leases.path() + index,
            std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
        DhcpPaths dhcpPaths;
        dhcpPaths.networkdLeases = leases.path();
        dhcpPaths.dhclientDirs.clear();
        dhcpPaths.dhcpcdDirs.clear();

        LinuxInterfaceSource interfaces;
        LinuxParamsSource params;
        LinuxDhcpSource dhcp(dhcpPaths);
        LocalTimezone zone;
        GetNetParams gatherer(params, interfaces, dhcp, zone);
        gatherer.GatherNetParams("Everything", false);
        const Snapshot& s = gatherer.snapshot();
        const std::string& report = s.NetParamReport;

        EXPECT_EQ(s.DnsServers[0], "2");
        EXPECT_EQ(s.DnsServers[1], "10.200.0.53");
        EXPECT_NE(report.find("\r\nDomain Name: .................lab.example\r\n"),
                  std::string::npos);
        EXPECT_NE(report.find("\r\n   IP Routing: ...........Enabled\r\n"), std::string::npos);

        // Adapters in index order: lab0 before spare0 (a kernel may add its own tunnels).
        int lab0 = 0;
        int spare0 = 0;
        for (int a = 1; a <= s.AdapterCount; ++a) {
            if (s.AdapterIPs[a][5] == "lab0 (veth)")
                lab0 = a;
            if (s.AdapterIPs[a][5] == "spare0 (veth)")
                spare0 = a;
        }
        ASSERT_NE(lab0, 0) << report;
        ASSERT_GT(spare0, lab0) << report;
        // The snapshot is filled from the same rows as the report blocks checked below.
        EXPECT_EQ(s.AdapterIPs[lab0][2], "10.200.7.9");

        const std::string mac = upper(sysfs("lab0", "address"));
        const std::string lab0Block =
            "\r\n  Network adapter#" + std::to_string(lab0) +
            "\r\n   Type: ............................Ethernet adapter "
            "\r\n   Adapter Desc: .......lab0 (veth)"
            "\r\n   Physical Address: ..." +
            mac +
            "\r\n   Adapter Status: .....Enabled - Operational"
            "\r\n                        Adpater receiving data and sending data "
            "\r\n   DHCP: ...............Enabled "
            "\r\n   PC IP Address#1: ....10.200.0.2"
            "\r\n   Subnet Mask: ........255.255.255.0"
            "\r\n   PC IP Address#2: ....10.200.7.9"
            "\r\n   Subnet Mask: ........255.255.0.0"
            "\r\n   Default Gateway#1: ..10.200.0.1"
            "\r\n   DHCP Server: ........10.200.0.1"
            "\r\n   Prime WINS Server: .. "
            "\r\n   2ndary WINS Server: . "
            "\r\n   Lease Obtained: .....";
        EXPECT_NE(report.find(lab0Block), std::string::npos) << report;
        EXPECT_NE(report.find("\r\n   Adapter Desc: .......spare0 (veth)"
                              "\r\n   Physical Address: ..." +
                              upper(sysfs("spare0", "address")) +
                              "\r\n   Adapter Status: .....Disabled - Disconnected"
                              "\r\n                        Adpater not receiving data and not "
                              "sending data "
                              "\r\n   DHCP: ...............Disabled"
                              "\r\n   PC IP Address#0: ....Blank!"
                              "\r\n   Subnet Mask: ........Blank!"
                              "\r\n   Default Gateway#0: ..Blank!"
                              "\r\n   DHCP Server: ........Blank!"),
                  std::string::npos)
            << report;
        EXPECT_EQ(gatherer.outcome().indicator,
                  (AdapterIndicator{"lab0 (veth)-Enabled-Operational", true, false}));

        const std::optional<std::string> listing = interfaceListing(interfaces, QLocale::c());
        ASSERT_TRUE(listing);
        EXPECT_EQ(listing->find("lo"), std::string::npos);
        EXPECT_NE(listing->find(" Desc: ......lab0 (veth)\r\n"
                                " Type: ......Ethernet\r\n"
                                " MTU: .......1400\r\n"
                                " Speed: .... 10000Mbs\r\n"
                                " Physical address: " +
                                mac +
                                "\r\n"
                                " Status: ..........Enabled - Operational\r\n"),
                  std::string::npos)
            << *listing;
        EXPECT_NE(listing->find(" Desc: ......spare0 (veth)\r\n"
                                " Type: ......Ethernet\r\n"
                                " MTU: .......1280\r\n"
                                " Speed: .... 0Kbs\r\n"),
                  std::string::npos)
            << *listing;
        EXPECT_NE(
            listing->find(" Data received (octets): ....." + sysfs("lab0", "statistics/rx_bytes")),
            std::string::npos);
    });
}

TEST(KernelSnapshot, NamespaceWithOnlyLoopbackHasNoAdapters) {
    lab::inFreshNetns([] {
        LinuxInterfaceSource interfaces;
        LinuxParamsSource params;
        LinuxDhcpSource dhcp(DhcpPaths{"/nonexistent", {}, {}});
        LocalTimezone zone;
        GetNetParams gatherer(params, interfaces, dhcp, zone);
        gatherer.GatherNetParams("Nothing", true);
        // Tunnel drivers may give every namespace its own fallback links; then it has adapters.
        if (gatherer.snapshot().AdapterCount == 0) {
            EXPECT_EQ(gatherer.outcome().indicator, (AdapterIndicator{"No adapters", false, true}));
            EXPECT_EQ(interfaceListing(interfaces, QLocale::c()), "");
        }
    });
}

}  // namespace
}  // namespace zelto::netparams
