#include "netparams/AnalyzeNetParams.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zelto::netparams {
namespace {

// One adapter of a fake snapshot: addresses, gateways, DHCP server ("" for DHCP disabled).
struct Adapter {
    std::vector<std::string> addresses{};
    std::vector<std::string> gateways{};
    std::string dhcpServer{};
    std::string description = "eth0 (Ethernet)";
};

// Fills a snapshot the way the gather does, and analyses it; help sections show as <name>.
std::string analyze(const std::vector<Adapter>& adapters) {
    Snapshot s;
    s.AdapterCount = static_cast<int>(adapters.size());
    for (int a = 1; a <= 4; ++a) {
        const Adapter d = a <= s.AdapterCount ? adapters[a - 1] : Adapter{};
        for (int i = 1; i <= 4; ++i) {
            s.AdapterIPs[a][i] =
                i <= static_cast<int>(d.addresses.size()) ? d.addresses[i - 1] : kBlank;
            s.AdapterGateways[a][i] =
                i <= static_cast<int>(d.gateways.size()) ? d.gateways[i - 1] : kBlank;
        }
        s.AdapterIPs[a][0] = std::to_string(d.addresses.size());
        s.AdapterIPs[a][5] = d.description.substr(0, 20);
        s.AdapterGateways[a][0] = std::to_string(d.gateways.size());
        if (!d.dhcpServer.empty() && a <= 3) {
            s.AdapterDhcp[a] = "Enabled";
            s.AdapterDhcpServer[a] = d.dhcpServer;
        }
    }
    return AnalyzeNetParams(s, [](const std::string& section) { return "<" + section + ">\r\n"; });
}

const Adapter kGood{{"192.0.2.10"}, {"192.0.2.1"}, "192.0.2.1"};

TEST(Analysis, NoAdaptersOrNoProblems) {
    EXPECT_EQ(analyze({}), "<No Network Adapters>\r\n");
    EXPECT_EQ(analyze({kGood}), "No problems found");
    EXPECT_EQ(analyze({{{}, {}}, kGood}), "No problems found");  // no address, no count
}

TEST(Analysis, NoAddressesExplainEachDhcpAdapterOrEveryAdapterWhenNoneHasDhcp) {
    const std::string none = "There are no IP addresses.  DHCP is enabled for apdapter #";
    EXPECT_EQ(analyze({{{}, {}, kBlank, "Intel(R) PRO/1000 MT Network"},
                       {{}, {}, "", "wlan0 (Wireless)"},  // DHCP somewhere: adds nothing
                       {{}, {}, "10.0.0.1", "usb0 (Ethernet)"}}),
              none +
                  "1 Intel(R) PRO/1000 MT, but no DHCP server was found.\r\n"
                  "<Reboot Check Adapters>\r\n" +
                  none +
                  "3 usb0 (Ethernet), and a DHCP server address was found.  This DHCP server "
                  "address maybe cached from a previous connection.\r\n<Reboot Check Adapters>"
                  "\r\n");
    const std::string disabled =
        "There are no IP addresses. DHCP is disabled for all adpaters including apdapter #";
    EXPECT_EQ(analyze({{{}, {}}, {{}, {}, "", "wlan0 (Wireless)"}}),
              disabled + "1 eth0 (Ethernet)\r\n\r\n<No IP and DHCP Disabled>\r\n" + disabled +
                  "2 wlan0 (Wireless)\r\n\r\n<No IP and DHCP Disabled>\r\n");
}

TEST(Analysis, NoGatewayGivesStaticOrDhcpAdviceForTheLastMatchingAdapter) {
    EXPECT_EQ(analyze({{{"192.0.2.10"}, {}}}),
              "There is no default gateway.\r\nDHCP is disabled, but there is an IP address for "
              "adapter #1 eth0 (Ethernet).  The IP address must be statically defined.If the IP "
              "address is statically defined, a gateway must be statically defined as well. Go "
              "to Go to Settings > Network. Choose this adapter and select properties.In the "
              "properties for the Internet Protocol, and input a default the address of the "
              "default gateway.  ");
    const Adapter eth{{"10.0.0.5"}, {}, "10.0.0.1"};
    const Adapter wlan{{"10.1.0.5"}, {}, "10.1.0.1", "wlan0 (Wireless)"};
    EXPECT_EQ(analyze({eth, wlan, {{}, {}}}),
              "There is no default gateway\r\nDHCP is enabled, for adapter #2 wlan0 (Wireless),"
              "but no default gateway.\r\n1) Reboot your PC once.\r\n2) If still no default "
              "gateway. Something is probably wrong with the DHCP server. If you own the DHCP "
              "server, power this device off and on. Otherwise alert your network "
              "administrator.");
    EXPECT_EQ(analyze({{{"10.0.0.5"}, {}, kBlank}}), "");  // DHCP without a known server
}

TEST(Analysis, SeveralAddressesOnOneAdapterComeBeforeSeveralAdapters) {
    const Adapter two{{"192.0.2.10", "192.0.2.11"}, {"192.0.2.1"}, "", "enp0s31f6 (Ethernet) X"};
    EXPECT_EQ(analyze({kGood, two}),
              "Adapter #2 enp0s31f6 (Ethernet) has multiple IP addresses.  This is OK in a "
              "server, but is unusual in a PC or laptop.  If you are having problems you may "
              "want to remove one of the IP addresses.  Go to Settings > Network and keep just "
              "one address.");
    const std::string several =
        "Multiple network adapters found with multiple IP addressses. This is OK in a server "
        "or if you are using VPN.  If this is not a server and you are not using VPN, and you "
        "are having a problem you should use one adapter or the other. Decide which adapter "
        "you are using; take out the network cable if you are using wireless. Go Settings > "
        "Network and disable the wireless adapter if you are using a network cable.";
    EXPECT_EQ(analyze({kGood, {{"10.8.0.2"}, {}}}), several);
    EXPECT_EQ(analyze({kGood, {{"10.8.0.2"}, {}}, two}), several);  // stops at adapter 2
}

}  // namespace
}  // namespace zelto::netparams
