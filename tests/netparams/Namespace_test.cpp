#include <gtest/gtest.h>

#include <QLocale>
#include <filesystem>

#include "FakeSources.h"
#include "lab/Lab.h"
#include "netparams/AdpaterStatus.h"
#include "netparams/AnalyzeNetParams.h"
#include "netparams/GetNetParams.h"
#include "netparams/linux/LinuxDhcpSource.h"
#include "netparams/linux/LinuxInterfaceSource.h"
#include "netparams/linux/LinuxParamsSource.h"
#include "netparams/linux/LocalTimezone.h"
#include "support/TempDir.h"
#include "system/linux/WholeFile.h"

namespace zelto::netparams {
namespace {

std::string sysfs(const std::string& link, const std::string& attribute) {
    const std::string text =
        system::readWholeFile("/sys/class/net/" + link + "/" + attribute, 1 << 16).bytes;
    return text.substr(0, text.find('\n'));
}

// The real sources, with DHCP records under `dir` only.
struct RealGather {
    explicit RealGather(const std::string& dir) : dhcp(test::recordsUnder(dir)) {}
    LinuxInterfaceSource interfaces;
    LinuxParamsSource params;
    LinuxDhcpSource dhcp;
    LocalTimezone zone;
    GetNetParams gatherer{params, interfaces, dhcp, zone};
};

// Everything below runs inside network namespaces this test makes: the packets it causes
// (one ping to the peer, the kernel's own neighbour messages) never leave them.
TEST(KernelSnapshot, ShowsTheNamespacesAddressesRoutingAndLease) {
    lab::inFreshNetns([] {
        lab::GatewayLab lab;  // lab0, a veth as a container's link would be, carries the route
        lab::ip("address add 10.200.7.9/16 dev lab0");
        lab::ip("link set lab0 mtu 1400");
        lab::sysctl("net.ipv4.ip_forward", "1");
        lab::must({"ping", "-c", "1", "-W", "3", "10.200.0.1"});
        zelto::test::TempDir records;
        std::filesystem::create_directory(records.path() + "leases");
        records.write("leases/" + sysfs("lab0", "ifindex"),
                      "ADDRESS=10.200.0.2\nSERVER_ADDRESS=10.200.0.1\nLIFETIME=7200\n");
        RealGather real(records.path());
        real.gatherer.GatherNetParams("Everything", false);
        const std::string& report = real.gatherer.snapshot().NetParamReport;
        for (const char* part :
             {"\r\n   IP Routing: ...........Enabled\r\n",
              "\r\n   Adapter Desc: .......lab0 (veth)\r\n",
              "\r\n   Adapter Status: .....Enabled - Operational"
              "\r\n                        Adpater receiving data and sending data "
              "\r\n   DHCP: ...............Enabled "
              "\r\n   PC IP Address#1: ....10.200.0.2\r\n   Subnet Mask: ........255.255.255.0"
              "\r\n   PC IP Address#2: ....10.200.7.9\r\n   Subnet Mask: ........255.255.0.0"
              "\r\n   Default Gateway#1: ..10.200.0.1\r\n   DHCP Server: ........10.200.0.1"
              "\r\n   Prime WINS Server: .. \r\n   2ndary WINS Server: . "
              "\r\n   Lease Obtained: ....."})
            EXPECT_NE(report.find(part), std::string::npos) << part << "\n" << report;
        const std::string listing = interfaceListing(real.interfaces, QLocale::c()).value_or("");
        EXPECT_NE(listing.find(" Desc: ......lab0 (veth)\r\n Type: ......Ethernet\r\n"
                               " MTU: .......1400\r\n Speed: .... 10000Mbs\r\n"),
                  std::string::npos)
            << listing;
    });
}

// Desktops as users have them, each built in its own namespace: what the snapshot makes of
// their adapters, gateway and DHCP, and what the analysis then says.
TEST(KernelSnapshot, CommonDesktopShapes) {
    const std::string uplink =
        "link add eth0 type ifb;link set eth0 up;addr add 192.168.1.50/24 dev eth0;"
        "route add default via 192.168.1.1 dev eth0";
    const std::string wg0 = "tuntap add dev wg0 mode tun;link set wg0 up;";
    const std::string fine = "No problems found";
    const struct {
        struct {
            std::string snapshot, analysis;
        } expected;
        std::string interfaces;  // ifupdown's file
        std::string commands;    // ";"-separated ip commands
    } shapes[] = {
        // Containers and VMs beside the card.
        {{"eth0 (ifb) via 192.168.1.1; DHCP Disabled, Blank!", fine},
         "",
         uplink + ";link add docker0 type bridge;addr add 172.17.0.1/16 dev docker0;"
                  "link set docker0 up;link add vethA type veth peer name vethB;"
                  "link set vethA master docker0;link set vethA up;link set vethB up;"
                  "link add virbr0 type bridge;addr add 192.168.122.1/24 dev virbr0;"
                  "link set virbr0 up;tuntap add dev vnet0 mode tap;link set vnet0 master virbr0"},
        // One default route over two cards.
        {{"eth0 (ifb) via 192.168.1.1; eth1 (ifb) via 192.168.2.1; DHCP Disabled, Blank!",
          "Multiple network adapters found with multiple IP addressses."},
         "",
         "link add eth0 type ifb;link add eth1 type ifb;link set eth0 up;link set eth1 up;"
         "addr add 192.168.1.50/24 dev eth0;addr add 192.168.2.50/24 dev eth1;route add default "
         "nexthop via 192.168.1.1 dev eth0 nexthop via 192.168.2.1 dev eth1"},
        // A default route straight onto a VPN link.
        {{"wg0 (tun) via wg0 (direct link); DHCP Disabled, Blank!", fine},
         "",
         wg0 + "addr add 10.64.0.2/32 dev wg0;route add default dev wg0"},
        // A point-to-point link's peer.
        {{"ppp0 (tun) via 10.64.0.1; DHCP Disabled, Blank!", fine},
         "",
         "tuntap add dev ppp0 mode tun;link set ppp0 up;addr add 10.64.0.2 peer 10.64.0.1 dev "
         "ppp0;route add default dev ppp0"},
        // A default route of a table no rule selects is no gateway.
        {{"eth0 (ifb) via Blank!; DHCP Disabled, Blank!", "There is no default gateway."},
         "",
         "link add eth0 type ifb;link set eth0 up;addr add 192.168.1.50/24 dev eth0;"
         "route add default via 192.168.1.1 dev eth0 table 100"},
        // A default route that only a policy rule selects.
        {{"wg0 (tun) via wg0 (direct link); DHCP Disabled, Blank!", fine},
         "",
         wg0 + "addr add 10.8.0.2/32 dev wg0;route add default dev wg0 table 51820;"
               "rule add not fwmark 51820 table 51820"},
        // DHCP asked for by ifupdown, not answered, an expired lease left.
        {{"eth0 (ifb) via Blank!; DHCP Enabled, Blank!",
          "There are no IP addresses.  DHCP is enabled for apdapter #1 eth0 (ifb), but no DHCP "
          "server was found.\r\n"},
         "auto eth0\niface eth0 inet dhcp\n",
         "link add eth0 type ifb;link set eth0 up"},
    };
    for (const auto& shape : shapes) {
        lab::inFreshNetns([&shape] {
            for (std::size_t start = 0; start < shape.commands.size();) {
                const std::size_t end =
                    std::min(shape.commands.find(';', start), shape.commands.size());
                lab::ip(shape.commands.substr(start, end - start));
                start = end + 1;
            }
            zelto::test::TempDir records;
            std::filesystem::create_directory(records.path() + "dhcp");
            records.write("dhcp/dhclient.eth0.leases",
                          "lease {\n interface \"eth0\";\n fixed-address 192.168.1.50;\n"
                          " option dhcp-server-identifier 192.168.1.1;\n"
                          " expire 2 2019/03/12 10:00:00;\n}\n");
            records.write("interfaces", shape.interfaces);
            RealGather real(records.path());
            real.gatherer.GatherNetParams("Analyze", false);
            const Snapshot& s = real.gatherer.snapshot();
            std::string seen;
            for (int a = 1; a <= s.AdapterCount; ++a)
                seen += s.AdapterIPs[a][5] + " via " + s.AdapterGateways[a][1] + "; ";
            seen += "DHCP " + s.AdapterDhcp[1] + ", " + s.AdapterDhcpServer[1];
            EXPECT_EQ(seen, shape.expected.snapshot) << shape.commands;
            EXPECT_TRUE(AnalyzeNetParams(s, [](const std::string&) { return ""; })
                            .starts_with(shape.expected.analysis))
                << shape.commands;
        });
    }
}

}  // namespace
}  // namespace zelto::netparams
