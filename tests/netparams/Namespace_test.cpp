#include <gtest/gtest.h>

#include <sstream>

#include "FakeSources.h"
#include "lab/Lab.h"
#include "netparams/GetNetParams.h"
#include "netparams/linux/LinuxInterfaceSource.h"

namespace zelto::netparams {
namespace {

// Desktops as users have them, each built in a network namespace of its own (so the kernel's
// own messages never leave it): what the snapshot makes of the real kernel's adapters and
// gateways (what the analysis says of a snapshot is checked over the fake sources).
TEST(KernelSnapshot, CommonDesktopShapes) {
    const std::string eth0 =
        "link add eth0 type ifb;link set eth0 up;addr add 192.168.1.50/24 dev eth0;";
    const struct {
        std::string snapshot;
        std::string commands;        // ";"-separated ip commands
        std::string reportHas = {};  // a part of the full report
    } shapes[] = {
        // A veth (as a container's link) carrying the default route, two addresses with their
        // masks; its peer, a veth with no default route, is no adapter.
        {"lab0 (veth) via 10.200.0.1; ",
         "link add lab0 type veth peer name lab1;link set lab0 up;link set lab1 up;"
         "addr add 10.200.0.2/24 dev lab0;addr add 10.200.7.9/16 dev lab0;"
         "route add default via 10.200.0.1 dev lab0",
         "PC IP Address#2: ....10.200.7.9\r\n   Subnet Mask: ........255.255.0.0\r\n"},
        // One default route over two cards.
        {"eth0 (ifb) via 192.168.1.1; eth1 (ifb) via 192.168.2.1; ",
         eth0 +
             "link add eth1 type ifb;link set eth1 up;addr add 192.168.2.50/24 dev eth1;"
             "route add default nexthop via 192.168.1.1 dev eth0 nexthop via 192.168.2.1 dev eth1"},
        // A point-to-point link's peer.
        {"ppp0 (tun) via 10.64.0.1; ",
         "tuntap add dev ppp0 mode tun;link set ppp0 up;addr add 10.64.0.2 peer 10.64.0.1 dev "
         "ppp0;route add default dev ppp0"},
        // A default route of a table no rule selects is no gateway.
        {"eth0 (ifb) via Blank!; ", eth0 + "route add default via 192.168.1.1 dev eth0 table 100"},
        // A default route straight onto a VPN link, that only a policy rule selects.
        {"wg0 (tun) via wg0 (direct link); ",
         "tuntap add dev wg0 mode tun;link set wg0 up;addr add 10.8.0.2/32 dev wg0;"
         "route add default dev wg0 table 51820;rule add not fwmark 51820 table 51820"},
    };
    for (const auto& shape : shapes) {
        lab::inFreshNetns([&shape] {
            std::istringstream commands(shape.commands);
            for (std::string command; std::getline(commands, command, ';');)
                lab::ip(command);
            test::FakeNet net;
            LinuxInterfaceSource interfaces;
            GetNetParams gatherer{net, interfaces, net, net};
            gatherer.GatherNetParams("Everything", false);
            const Snapshot& s = gatherer.snapshot();
            std::string seen;
            for (int a = 1; a <= s.AdapterCount; ++a)
                seen += s.AdapterIPs[a][5] + " via " + s.AdapterGateways[a][1] + "; ";
            EXPECT_EQ(seen, shape.snapshot) << shape.commands;
            EXPECT_NE(s.NetParamReport.find(shape.reportHas), std::string::npos);
        });
    }
}

}  // namespace
}  // namespace zelto::netparams
