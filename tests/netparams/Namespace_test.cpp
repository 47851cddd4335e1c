#include <gtest/gtest.h>

#include <QLocale>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "lab/Lab.h"
#include "netparams/AdpaterStatus.h"
#include "netparams/AnalyzeNetParams.h"
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

// Configuration and lease records under `dir` only, so that the PC's real ones cannot leak in.
DhcpPaths ownRecords(const std::string& dir) {
    DhcpPaths paths;
    paths.networkdLeases = dir + "leases";
    paths.dhclientDirs = {dir + "dhcp"};
    paths.dhcpcdDirs = {};
    paths.networkdLinks = dir + "links";
    paths.ifupdownFile = dir + "interfaces";
    paths.ifupdownDir = dir + "interfaces.d";
    paths.run = dir + "run";
    paths.proc = dir + "proc";
    paths.networkManagerLeases = dir + "nm";
    return paths;
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
        leases.write(index, "ADDRESS=10.200.0.2\nSERVER_ADDRESS=10.200.0.1\nLIFETIME=7200\n");
        std::filesystem::last_write_time(
            leases.path() + index,
            std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
        DhcpPaths dhcpPaths = ownRecords(leases.path());
        dhcpPaths.networkdLeases = leases.path();

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

        // lab0 is a veth, as a container's link would be, but carries the default route;
        // spare0 does not and is no adapter (the interface listing still has it).
        int lab0 = 0;
        for (int a = 1; a <= s.AdapterCount; ++a) {
            EXPECT_NE(s.AdapterIPs[a][5], "spare0 (veth)") << report;
            if (s.AdapterIPs[a][5] == "lab0 (veth)")
                lab0 = a;
        }
        ASSERT_NE(lab0, 0) << report;
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
        LinuxDhcpSource dhcp(ownRecords("/nonexistent/"));
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

// Desktops as users have them, each built in its own namespace: what the snapshot makes of
// their adapters, gateway and DHCP, and what the analysis then says.
TEST(KernelSnapshot, CommonDesktopShapes) {
    const std::string uplink =
        "ip link add eth0 type ifb;ip link set eth0 up;"
        "ip addr add 192.168.1.50/24 dev eth0;"
        "ip route add default via 192.168.1.1 dev eth0";
    const struct {
        const char* shape;
        std::string commands;  // ";"-separated ip commands
        std::string interfaces;
        std::vector<std::string> adapters;
        std::string gateway, dhcp, server, analysis;
    } shapes[] = {
        {"containers and VMs beside the card",
         uplink + ";ip link add docker0 type bridge;ip addr add 172.17.0.1/16 dev docker0"
                  ";ip link set docker0 up;ip link add vethA type veth peer name vethB"
                  ";ip link set vethA master docker0;ip link set vethA up;ip link set vethB up"
                  ";ip link add virbr0 type bridge;ip addr add 192.168.122.1/24 dev virbr0"
                  ";ip link set virbr0 up;ip tuntap add dev vnet0 mode tap"
                  ";ip link set vnet0 master virbr0",
         "",
         {"eth0 (ifb)"},
         "192.168.1.1",
         "Disabled",
         "Blank!",
         "No problems found"},
        {"a default route straight onto a VPN link",
         "ip tuntap add dev wg0 mode tun;ip link set wg0 up;ip addr add 10.64.0.2/32 dev wg0"
         ";ip route add default dev wg0",
         "",
         {"wg0 (tun)"},
         "wg0 (direct link)",
         "Disabled",
         "Blank!",
         "No problems found"},
        {"a point-to-point link's peer",
         "ip tuntap add dev ppp0 mode tun;ip link set ppp0 up"
         ";ip addr add 10.64.0.2 peer 10.64.0.1 dev ppp0;ip route add default dev ppp0",
         "",
         {"ppp0 (tun)"},
         "10.64.0.1",
         "Disabled",
         "Blank!",
         "No problems found"},
        {"a default route that only a policy rule selects",
         "ip tuntap add dev wg0 mode tun;ip link set wg0 up;ip addr add 10.8.0.2/32 dev wg0"
         ";ip route add default dev wg0 table 51820;ip rule add not fwmark 51820 table 51820",
         "",
         {"wg0 (tun)"},
         "wg0 (direct link)",
         "Disabled",
         "Blank!",
         "No problems found"},
        {"DHCP asked for by ifupdown, not answered, an expired lease left",
         "ip link add eth0 type ifb;ip link set eth0 up",
         "auto eth0\niface eth0 inet dhcp\n",
         {"eth0 (ifb)"},
         "Blank!",
         "Enabled",
         "Blank!",
         "There are no IP addresses.  DHCP is enabled for apdapter #1 eth0 (ifb), but no DHCP "
         "server was found.\r\n"},
    };
    for (const auto& shape : shapes) {
        lab::inFreshNetns([&shape] {
            std::string commands = shape.commands;
            for (std::size_t start = 0; start < commands.size();) {
                const std::size_t end = std::min(commands.find(';', start), commands.size());
                lab::ip(commands.substr(start + 3, end - start - 3));
                start = end + 1;
            }
            test::TempDir records;
            std::filesystem::create_directories(records.path() + "dhcp");
            records.write("dhcp/dhclient.eth0.leases",
                          "lease {\n interface \"eth0\";\n fixed-address 192.168.1.50;\n"
                          " option dhcp-server-identifier 192.168.1.1;\n"
                          " expire 2 2019/03/12 10:00:00;\n}\n");
            records.write("interfaces", shape.interfaces);
            LinuxInterfaceSource interfaces;
            LinuxParamsSource params;
            LinuxDhcpSource dhcp(ownRecords(records.path()));
            LocalTimezone zone;
            GetNetParams gatherer(params, interfaces, dhcp, zone);
            gatherer.GatherNetParams("Analyze", false);
            const Snapshot& s = gatherer.snapshot();
            std::vector<std::string> adapters;
            for (int a = 1; a <= s.AdapterCount; ++a)
                adapters.push_back(s.AdapterIPs[a][5]);
            EXPECT_EQ(adapters, shape.adapters) << shape.shape;
            EXPECT_EQ(s.AdapterGateways[1][1], shape.gateway) << shape.shape;
            EXPECT_EQ(s.AdapterDhcp[1], shape.dhcp) << shape.shape;
            EXPECT_EQ(s.AdapterDhcpServer[1], shape.server) << shape.shape;
            EXPECT_EQ(AnalyzeNetParams(s, [](const std::string&) { return ""; }), shape.analysis)
                << shape.shape;
        });
    }
}

}  // namespace
}  // namespace zelto::netparams
