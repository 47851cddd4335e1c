#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "FakeSources.h"
#include "lab/Lab.h"
#include "netparams/AnalyzeNetParams.h"
#include "netparams/GetNetParams.h"
#include "netparams/linux/LinuxInterfaceSource.h"
#include "netparams/linux/LinuxParamsSource.h"
#include "netparams/linux/LocalTimezone.h"
#include "support/TempDir.h"

namespace zelto::netparams {
namespace {

// Desktops as users have them, each built in a network namespace of its own (so the kernel's
// own messages never leave it): what the snapshot of the real sources makes of their adapters,
// gateway and DHCP, with DHCP records from a folder of the test's, and what the analysis says.
TEST(KernelSnapshot, CommonDesktopShapes) {
    const std::string uplink =
        "link add eth0 type ifb;link set eth0 up;addr add 192.168.1.50/24 dev eth0;"
        "route add default via 192.168.1.1 dev eth0";
    const std::string wg0 = "tuntap add dev wg0 mode tun;link set wg0 up;";
    const std::string fine = "No problems found";
    const struct {
        std::string snapshot, analysis;
        std::string commands;         // ";"-separated ip commands
        std::string interfaces = {};  // ifupdown's file
        std::string reportHas = {};   // a part of the full report
    } shapes[] = {
        // A veth (as a container's link) carrying the default route, two addresses with their
        // masks; its current lease.
        {"lab0 (veth) via 10.200.0.1; DHCP Enabled, 10.200.0.1",
         "Adapter #1 lab0 (veth) has multiple IP addresses.",
         "link add lab0 type veth peer name lab1;link set lab0 up;link set lab1 up;"
         "addr add 10.200.0.2/24 dev lab0;addr add 10.200.7.9/16 dev lab0;"
         "route add default via 10.200.0.1 dev lab0",
         "", "PC IP Address#2: ....10.200.7.9\r\n   Subnet Mask: ........255.255.0.0\r\n"},
        // Containers and VMs beside the card.
        {"eth0 (ifb) via 192.168.1.1; DHCP Disabled, Blank!", fine,
         uplink + ";link add docker0 type bridge;addr add 172.17.0.1/16 dev docker0;"
                  "link set docker0 up;link add vethA type veth peer name vethB;"
                  "link set vethA master docker0;link set vethA up;link set vethB up;"
                  "link add virbr0 type bridge;addr add 192.168.122.1/24 dev virbr0;"
                  "link set virbr0 up;tuntap add dev vnet0 mode tap;link set vnet0 master virbr0"},
        // One default route over two cards.
        {"eth0 (ifb) via 192.168.1.1; eth1 (ifb) via 192.168.2.1; DHCP Disabled, Blank!",
         "Multiple network adapters found with multiple IP addressses.",
         "link add eth0 type ifb;link add eth1 type ifb;link set eth0 up;link set eth1 up;"
         "addr add 192.168.1.50/24 dev eth0;addr add 192.168.2.50/24 dev eth1;route add default "
         "nexthop via 192.168.1.1 dev eth0 nexthop via 192.168.2.1 dev eth1"},
        // A default route straight onto a VPN link.
        {"wg0 (tun) via wg0 (direct link); DHCP Disabled, Blank!", fine,
         wg0 + "addr add 10.64.0.2/32 dev wg0;route add default dev wg0"},
        // A point-to-point link's peer.
        {"ppp0 (tun) via 10.64.0.1; DHCP Disabled, Blank!", fine,
         "tuntap add dev ppp0 mode tun;link set ppp0 up;addr add 10.64.0.2 peer 10.64.0.1 dev "
         "ppp0;route add default dev ppp0"},
        // A default route of a table no rule selects is no gateway.
        {"eth0 (ifb) via Blank!; DHCP Disabled, Blank!", "There is no default gateway.",
         "link add eth0 type ifb;link set eth0 up;addr add 192.168.1.50/24 dev eth0;"
         "route add default via 192.168.1.1 dev eth0 table 100"},
        // A default route that only a policy rule selects.
        {"wg0 (tun) via wg0 (direct link); DHCP Disabled, Blank!", fine,
         wg0 + "addr add 10.8.0.2/32 dev wg0;route add default dev wg0 table 51820;"
               "rule add not fwmark 51820 table 51820"},
        // DHCP asked for by ifupdown, not answered, an expired lease left.
        {"eth0 (ifb) via Blank!; DHCP Enabled, Blank!",
         "There are no IP addresses.  DHCP is enabled for apdapter #1 eth0 (ifb), but no DHCP "
         "server was found.\r\n",
         "link add eth0 type ifb;link set eth0 up", "auto eth0\niface eth0 inet dhcp\n"},
    };
    for (const auto& shape : shapes) {
        lab::inFreshNetns([&shape] {
            std::istringstream commands(shape.commands);
            for (std::string command; std::getline(commands, command, ';');)
                lab::ip(command);
            zelto::test::TempDir records;
            std::filesystem::create_directory(records.path() + "dhcp");
            records.write("dhcp/dhclient.eth0.leases",
                          "lease {\n interface \"eth0\";\n fixed-address 192.168.1.50;\n"
                          " option dhcp-server-identifier 192.168.1.1;\n"
                          " expire 2 2019/03/12 10:00:00;\n}\n");
            records.write("dhcp/dhclient.lab0.leases",
                          "lease {\n interface \"lab0\";\n fixed-address 10.200.0.2;\n"
                          " option dhcp-server-identifier 10.200.0.1;\n"
                          " expire 4 2037/01/01 00:00:00;\n}\n");
            records.write("interfaces", shape.interfaces);
            LinuxInterfaceSource interfaces;
            LinuxParamsSource params;
            LinuxDhcpSource dhcp(test::recordsUnder(records.path()));
            LocalTimezone zone;
            GetNetParams gatherer{params, interfaces, dhcp, zone};
            gatherer.GatherNetParams("Everything", false);
            const Snapshot& s = gatherer.snapshot();
            std::string seen;
            for (int a = 1; a <= s.AdapterCount; ++a)
                seen += s.AdapterIPs[a][5] + " via " + s.AdapterGateways[a][1] + "; ";
            seen += "DHCP " + s.AdapterDhcp[1] + ", " + s.AdapterDhcpServer[1];
            EXPECT_EQ(seen, shape.snapshot) << shape.commands;
            EXPECT_NE(s.NetParamReport.find(shape.reportHas), std::string::npos);
            EXPECT_TRUE(AnalyzeNetParams(s, [](const std::string&) { return ""; })
                            .starts_with(shape.analysis))
                << shape.commands;
        });
    }
}

}  // namespace
}  // namespace zelto::netparams
