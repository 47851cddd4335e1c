#include "netparams/AnalyzeNetParams.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zelto::netparams {
namespace {

// One adapter of a fake snapshot, described the way the gather would have filled it.
struct Adapter {
    std::vector<std::string> addresses;
    std::vector<std::string> gateways;
    bool dhcp = false;
    std::string dhcpServer = kBlank;
    std::string description = "eth0 (Ethernet)";
};

Snapshot snapshotOf(const std::vector<Adapter>& adapters) {
    Snapshot s;
    for (int a = 1; a <= 4; ++a) {
        for (int i = 1; i <= 4; ++i) {
            s.AdapterIPs[a][i] = kBlank;
            s.AdapterGateways[a][i] = kBlank;
        }
    }
    s.AdapterCount = static_cast<int>(adapters.size());
    for (int a = 1; a <= s.AdapterCount; ++a) {
        const Adapter& d = adapters[a - 1];
        for (std::size_t i = 0; i < d.addresses.size(); ++i)
            s.AdapterIPs[a][i + 1] = d.addresses[i];
        s.AdapterIPs[a][0] = std::to_string(d.addresses.size());
        s.AdapterIPs[a][5] = d.description.substr(0, 20);
        for (std::size_t i = 0; i < d.gateways.size(); ++i)
            s.AdapterGateways[a][i + 1] = d.gateways[i];
        s.AdapterGateways[a][0] = std::to_string(d.gateways.size());
        if (a <= 3) {
            s.AdapterDhcp[a] = d.dhcp ? "Enabled" : "Disabled";
            if (d.dhcp)
                s.AdapterDhcpServer[a] = d.dhcpServer;
        }
    }
    s.AdapterDhcp[0] = std::to_string(s.AdapterCount);
    return s;
}

class Analysis : public ::testing::Test {
  protected:
    std::string analyze(const std::vector<Adapter>& adapters) {
        return AnalyzeNetParams(snapshotOf(adapters), [this](const std::string& section) {
            asked.push_back(section);
            return "<" + section + ">\r\n";
        });
    }

    std::vector<std::string> asked;
};

const Adapter kGood{{"192.0.2.10"}, {"192.0.2.1"}, true, "192.0.2.1"};

TEST_F(Analysis, NoAdaptersGivesOnlyTheHelpSection) {
    EXPECT_EQ(analyze({}), "<No Network Adapters>\r\n");
    EXPECT_EQ(asked, std::vector<std::string>{"No Network Adapters"});
}

TEST_F(Analysis, OneAdapterWithAnAddressAndAGatewayHasNoProblem) {
    EXPECT_EQ(analyze({kGood}), "No problems found");
    EXPECT_TRUE(asked.empty());
}

TEST_F(Analysis, NoAddressesExplainsEachDhcpAdapterAndSkipsStaticOnesWhenDhcpIsSomewhere) {
    const Adapter dhcpNoServer{{}, {}, true, kBlank, "Intel(R) PRO/1000 MT Network"};
    const Adapter staticOne{{}, {}, false, kBlank, "wlan0 (Wireless)"};
    const Adapter dhcpCached{{}, {}, true, "10.0.0.1", "usb0 (Ethernet)"};
    EXPECT_EQ(analyze({dhcpNoServer, staticOne, dhcpCached}),
              "There are no IP addresses.  DHCP is enabled for apdapter #1 Intel(R) PRO/1000 MT"
              ", but no DHCP server was found.\r\n<Reboot Check Adapters>\r\n"
              "There are no IP addresses.  DHCP is enabled for apdapter #3 usb0 (Ethernet)"
              ", and a DHCP server address was found.  This DHCP server address maybe cached "
              "from a previous connection.\r\n<Reboot Check Adapters>\r\n");
}

TEST_F(Analysis, NoAddressesAndNoDhcpAnywhereGivesOneMessagePerAdapterInOrder) {
    const Adapter eth{{}, {}, false, kBlank, "eth0 (Ethernet)"};
    const Adapter wlan{{}, {}, false, kBlank, "wlan0 (Wireless)"};
    EXPECT_EQ(analyze({eth, wlan}),
              "There are no IP addresses. DHCP is disabled for all adpaters including apdapter "
              "#1 eth0 (Ethernet)\r\n\r\n<No IP and DHCP Disabled>\r\n"
              "There are no IP addresses. DHCP is disabled for all adpaters including apdapter "
              "#2 wlan0 (Wireless)\r\n\r\n<No IP and DHCP Disabled>\r\n");
}

TEST_F(Analysis, AStaticAddressWithoutAGatewayGetsTheStaticAdvice) {
    EXPECT_EQ(analyze({{{"192.0.2.10"}, {}, false}}),
              "There is no default gateway.\r\nDHCP is disabled, but there is an IP address for "
              "adapter #1 eth0 (Ethernet).  The IP address must be statically defined.If the IP "
              "address is statically defined, a gateway must be statically defined as well. Go "
              "to Go to Settings > Network. Choose this adapter and select properties.In the "
              "properties for the Internet Protocol, and input a default the address of the "
              "default gateway.  ");
}

TEST_F(Analysis, ADhcpAddressWithoutAGatewayBlamesTheServerAndTheLastMatchingAdapterWins) {
    const Adapter dhcp{{"10.0.0.5"}, {}, true, "10.0.0.1", "eth0 (Ethernet)"};
    const Adapter wlan{{"10.1.0.5"}, {}, true, "10.1.0.1", "wlan0 (Wireless)"};
    const std::string forWlan =
        "There is no default gateway\r\nDHCP is enabled, for adapter #2 wlan0 (Wireless),but "
        "no default gateway.\r\n1) Reboot your PC once.\r\n2) If still no default gateway. "
        "Something is probably wrong with the DHCP server. If you own the DHCP server, power "
        "this device off and on. Otherwise alert your network administrator.";
    EXPECT_EQ(analyze({dhcp, wlan}), forWlan);
    // An adapter with no address adds nothing, even when it comes last.
    EXPECT_EQ(analyze({dhcp, wlan, {{}, {}, false}}), forWlan);
    // DHCP without a known server and without a gateway matches neither rule.
    EXPECT_EQ(analyze({{{"10.0.0.5"}, {}, true, kBlank}}), "");
}

TEST_F(Analysis, SeveralAddressesOnOneAdapterAreCheckedBeforeCountingAdapters) {
    const Adapter two{
        {"192.0.2.10", "192.0.2.11"}, {"192.0.2.1"}, false, kBlank, "enp0s31f6 (Ethernet) Intel"};
    const std::string forTwo =
        " has multiple IP addresses.  This is OK in a server, but is unusual in a PC or "
        "laptop.  If you are having problems you may want to remove one of the IP addresses.  "
        "Go to Settings > Network and keep just one address.";
    EXPECT_EQ(analyze({two}), "Adapter #1 enp0s31f6 (Ethernet)" + forTwo);
    EXPECT_EQ(analyze({kGood, two}), "Adapter #2 enp0s31f6 (Ethernet)" + forTwo);
}

TEST_F(Analysis, TwoAdaptersWithAddressesAreReportedAtTheSecond) {
    const Adapter vpn{{"10.8.0.2"}, {}, false, kBlank, "tun0 (Tunnel)"};
    const std::string several =
        "Multiple network adapters found with multiple IP addressses. This is OK in a server "
        "or if you are using VPN.  If this is not a server and you are not using VPN, and you "
        "are having a problem you should use one adapter or the other. Decide which adapter "
        "you are using; take out the network cable if you are using wireless. Go Settings > "
        "Network and disable the wireless adapter if you are using a network cable.";
    EXPECT_EQ(analyze({kGood, vpn}), several);
    // The per-adapter check comes first: a later adapter with two addresses is not reached.
    EXPECT_EQ(analyze({kGood, vpn, {{"10.9.0.1", "10.9.0.2"}, {}}}), several);
    // Adapters without an address do not count.
    EXPECT_EQ(analyze({{{}, {}}, kGood, {{}, {}}}), "No problems found");
}

TEST_F(Analysis, CountsThatCannotBeReadOrTooManyAdaptersStayWithinTheSnapshot) {
    Snapshot s = snapshotOf({kGood});
    s.AdapterIPs[1][0] = "";  // unreadable counts count as 0, like an empty slot
    s.AdapterCount = 9;       // the snapshot has four adapter rows
    const std::string result = AnalyzeNetParams(s, [](const std::string&) { return ""; });
    EXPECT_EQ(result, "No problems found");
}

}  // namespace
}  // namespace zelto::netparams
