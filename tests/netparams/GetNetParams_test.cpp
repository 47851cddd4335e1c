#include "netparams/GetNetParams.h"

#include <gtest/gtest.h>

#include "FakeSources.h"
#include "netparams/ReportTexts.h"

namespace zelto::netparams {
namespace {

using test::ethernetRow;
using test::loopbackRow;

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

class Gather : public ::testing::Test {
  protected:
    Gather() {
        params.params.hostName = "desk7";
        params.params.domainName = "example.org";
        params.params.dnsServers = {"192.0.2.53"};
        interfaces.table.rows = {loopbackRow(), ethernetRow(2, "eth0", "192.0.2.10", "192.0.2.1")};
    }
    const Snapshot& run(const std::string& mode, bool explain = false) {
        gatherer.GatherNetParams(mode, explain);
        return gatherer.snapshot();
    }
    InterfaceRow& adapter(std::size_t n) { return interfaces.table.rows.at(n); }

    test::FakeParams params;
    test::FakeInterfaces interfaces;
    test::FakeDhcp dhcp;
    test::FakeZone zone;
    GetNetParams gatherer{params, interfaces, dhcp, zone};
};

TEST_F(Gather, EverythingWithExplanationsIsTheWholeReportInOrder) {
    dhcp.leases["eth0"] = {"192.0.2.1", 1782000000, 1782086400, ""};
    zone.bias = -2.0f;  // central Europe in summer
    const std::string expected =
        "\r\nComputer Name/Host Name: .....desk7"
        "\r\nDomain Name: .................example.org"
        "\r\n"
        "\r\nDNS Servers ------------------------------------------------------------"
        "\r\n   DNS Server#1: .....192.0.2.53"
        "\r\n"
        "\r\n" +
        std::string(texts::kDnsExplanation) +
        "\r\n"
        "\r\nNode Information -------------------------------------------------------"
        "\r\n   Node type: ............Unknown"
        "\r\n   NetBIOS Scope ID: ....."
        "\r\n   IP Routing: ...........Not enabled"
        "\r\n   WINS Proxy: ...........Not Enabled "
        "\r\n   NetBIOS Resolution: ...Does not use DNS  "
        "\r\n"
        "\r\nInformation for Network adapters------------------------------------------------"
        "\r\n  Network adapter#1"
        "\r\n   Type: ............................Ethernet adapter "
        "\r\n   Adapter Desc: .......eth0 (Ethernet)"
        "\r\n   Physical Address: ...02:00:00:00:00:02"
        "\r\n   Adapter Status: .....Enabled - Operational"
        "\r\n                        Adpater receiving data and sending data "
        "\r\n   DHCP: ...............Enabled "
        "\r\n"
        "\r\n" +
        texts::kDhcpExplanation +
        "\r\n"
        "\r\n   PC IP Address#1: ....192.0.2.10"
        "\r\n   Subnet Mask: ........255.255.255.0"
        "\r\n   Default Gateway#1: ..192.0.2.1"
        "\r\n"
        "\r\n" +
        texts::kGatewayExplanation +
        "\r\n"
        "\r\n   DHCP Server: ........192.0.2.1"
        "\r\n   Prime WINS Server: .. "
        "\r\n   2ndary WINS Server: . "
        "\r\n   Lease Obtained: .....Sunday, Jun 21 02:00:00 2026"
        "\r\n   Lease Expires : .....Monday, Jun 22 02:00:00 2026";
    EXPECT_EQ(run("Everything", true).NetParamReport, expected);
    const GatherOutcome& out = gatherer.outcome();
    EXPECT_TRUE(out.showReport);
    EXPECT_FALSE(out.analyze);
    EXPECT_EQ(out.indicator,
              (AdapterIndicator{"eth0 (Ethernet)-Enabled-Operational", true, false}));
}

TEST_F(Gather, KeyValuesLeavesOutTheFullListLinesButNotTheExplanations) {
    const std::string keys = run("KeyValues").NetParamReport;
    EXPECT_EQ(keys.rfind("\r\n\r\nDNS Servers ---", 0), 0u) << keys;
    for (const char* fullOnly : {"Host Name", "Domain Name", "Node", "IP Routing", "WINS",
                                 "Type:", "Physical Address", "Subnet Mask", "Lease"})
        EXPECT_EQ(keys.find(fullOnly), std::string::npos) << fullOnly;
    for (const char* key : {"   DNS Server#1: .....192.0.2.53", "  Network adapter#1",
                            "   Adapter Desc: .......eth0 (Ethernet)",
                            "   Default Gateway#1: ..192.0.2.1", "   DHCP Server: ........Blank!"})
        EXPECT_NE(keys.find(key), std::string::npos) << key;

    const std::string explained = run("KeyValues", true).NetParamReport;
    EXPECT_EQ(explained.find("Host Name"), std::string::npos);
    for (const char* paragraph :
         {texts::kDnsExplanation, texts::kDhcpExplanation, texts::kGatewayExplanation})
        EXPECT_EQ(occurrences(explained, paragraph), 1u);
    // Other modes build the key lines too, and show nothing.
    for (const char* mode : {"Nothing", "dns", "Gateway", "everything"}) {
        EXPECT_EQ(run(mode).NetParamReport, keys) << mode;
        EXPECT_FALSE(gatherer.outcome().showReport) << mode;
        EXPECT_FALSE(gatherer.snapshot().ShowAllParams) << mode;
    }
    run("Analyze");
    EXPECT_TRUE(gatherer.outcome().analyze);
    EXPECT_FALSE(gatherer.outcome().showReport);
}

TEST_F(Gather, DnsServersFillFourSlotsAndCountThemAll) {
    for (const std::vector<std::string>& none : {std::vector<std::string>{}, {"0.0.0.0"}}) {
        params.params.dnsServers = none;
        const Snapshot& s = run("KeyValues");
        EXPECT_EQ(s.DnsServers,
                  (std::array<std::string, 5>{"1", "Blank!", "Blank!", "Blank!", "Blank!"}));
        EXPECT_EQ(s.DnsCount, 1);
        EXPECT_NE(s.NetParamReport.find("-\r\n   DNS Server#1: .....Blank!\r\n\r\nInformation"),
                  std::string::npos);
    }
    params.params.dnsServers = {"10.0.0.1", "10.0.0.2", "10.0.0.3",
                                "10.0.0.4", "10.0.0.5", "10.0.0.6"};
    const Snapshot& s = run("KeyValues");
    EXPECT_EQ(s.DnsServers,
              (std::array<std::string, 5>{"6", "10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4"}));
    EXPECT_EQ(s.DnsCount, 6);
    std::string block = "\r\nDNS Servers " + std::string(60, '-');
    for (int i = 1; i <= 4; ++i)
        block += "\r\n   DNS Server#" + std::to_string(i) + ": .....10.0.0." + std::to_string(i);
    EXPECT_NE(s.NetParamReport.find(block + "\r\n\r\nInformation for Network adapters"),
              std::string::npos)
        << s.NetParamReport;
}

TEST_F(Gather, AdapterWithoutAnAddressCountsNoneAndShowsBlank) {
    adapter(1).addresses = {{"0.0.0.0", "0.0.0.0"}};
    const Snapshot& s = run("Everything");
    EXPECT_EQ(s.AdapterIPs[1][0], "0");
    EXPECT_EQ(s.AdapterIPs[1][1], "Blank!");
    EXPECT_NE(s.NetParamReport.find("\r\n   PC IP Address#0: ....Blank!\r\n   Subnet Mask: "
                                    "........Blank!\r\n"),
              std::string::npos);
    // A source that lists no address at all reads the same.
    adapter(1).addresses.clear();
    adapter(1).gateways.clear();
    EXPECT_EQ(run("Everything").NetParamReport, s.NetParamReport);
    EXPECT_EQ(s.AdapterGateways[1][0], "0");
}

TEST_F(Gather, DescriptionIsShortenedToTwentyCharactersInTheSnapshotOnly) {
    adapter(1).description = "Intel(R) PRO/1000 MT Desktop Adapter";  // 35 characters
    const Snapshot& s = run("KeyValues");
    EXPECT_EQ(s.AdapterIPs[1][5], "Intel(R) PRO/1000 MT");
    EXPECT_NE(s.NetParamReport.find("Adapter Desc: .......Intel(R) PRO/1000 MT Desktop Adapter"),
              std::string::npos);
    adapter(1).description = "Café-Netzwerkkarte für Gäste";  // never cut inside a character
    EXPECT_EQ(run("Nothing").AdapterIPs[1][5], "Café-Netzwerkkarte f");
}

TEST_F(Gather, TrafficLineHasThreeForms) {
    const std::pair<std::pair<std::uint64_t, std::uint64_t>, const char*> cases[] = {
        {{5, 5}, "Adpater receiving data and sending data "},
        {{5, 0}, "Adpater receiving data, but not sending data "},
        {{0, 0}, "Adpater not receiving data and not sending data "},
        {{0, 5}, "Adpater not receiving data and sending data "},
    };
    for (const auto& [traffic, line] : cases) {
        adapter(1).inOctets = traffic.first;
        adapter(1).outOctets = traffic.second;
        const Snapshot& s = run("KeyValues");
        EXPECT_NE(s.NetParamReport.find("\r\n" + std::string(24, ' ') + line + "\r\n"),
                  std::string::npos)
            << line;
        EXPECT_EQ(s.AdapterReceiving[1], traffic.first > 0);
        EXPECT_EQ(s.AdapterSending[1], traffic.second > 0);
    }
}

TEST_F(Gather, LeaseLinesShowNoLeaseOrLocalTime) {
    const Snapshot& s = run("Everything");
    EXPECT_NE(s.NetParamReport.find("\r\n   Lease Obtained: .....No lease\r\n   Lease Expires : "
                                    ".....No lease"),
              std::string::npos);
    dhcp.leases["eth0"] = {"192.0.2.1", 0, 1765000000, ""};
    zone.bias = -5.5f;  // India: half-hour zones give fractions
    EXPECT_NE(run("Everything")
                  .NetParamReport.find(
                      "Lease Obtained: .....No lease\r\n   Lease Expires : .....Saturday, Dec 6 "
                      "11:16:40 2025"),
              std::string::npos);
    EXPECT_EQ(leaseTimeText(2147483647, 0.0f), "Tuesday, Jan 19 03:14:07 2038");
    EXPECT_EQ(leaseTimeText(1, 1.0f), "Wednesday, Dec 31 23:00:01 1969");
}

TEST_F(Gather, IndicatorShowsTheAdapterOfTheLaterClass) {
    const std::pair<std::vector<std::pair<int, int>>, AdapterIndicator> cases[] = {
        {{{kAdminUp, kOperConnected}, {kAdminDown, kOperNonOperational}},
         {"e2 (Ethernet)-Enabled-Connected", true, false}},
        {{{kAdminUp, kOperDisconnected}, {kAdminDown, kOperDisconnected}},
         {"e2 (Ethernet)-Enabled-Disconnected", false, true}},
        {{{kAdminDown, kOperDisconnected}, {kAdminTesting, kOperOperational}},
         {"e3 (Ethernet)-Testing-Operational", false, true}},
        {{{kAdminUp, kOperOperational}, {kAdminUp, kOperConnecting}, {kAdminUp, kOperConnected}},
         {"e4 (Ethernet)-Enabled-Connected", true, false}}};
    for (const auto& [states, expected] : cases) {
        interfaces.table.rows = {loopbackRow()};
        for (const auto& [admin, oper] : states) {
            const int index = static_cast<int>(interfaces.table.rows.size()) + 1;
            InterfaceRow row = ethernetRow(index, "e" + std::to_string(index), "", "");
            row.adminStatus = admin;
            row.operStatus = oper;
            interfaces.table.rows.push_back(row);
        }
        run("Nothing", true);
        EXPECT_EQ(gatherer.outcome().indicator, expected) << states.size();
    }
}

TEST_F(Gather, NoAdaptersInModeNothingOnlySetsTheIndicator) {
    interfaces.table.rows = {loopbackRow()};
    const Snapshot& s = run("Nothing", true);
    EXPECT_EQ(gatherer.outcome().indicator, (AdapterIndicator{"No adapters", false, true}));
    EXPECT_FALSE(gatherer.outcome().analyze);
    EXPECT_FALSE(gatherer.outcome().showReport);
    EXPECT_EQ(s.AdapterCount, 0);
    EXPECT_TRUE(s.NetParamReport.ends_with("\r\nGetAdaptersInfo sizing failed with error 232"));

    // Any other mode asks for the analysis, which then explains the missing adapters.
    run("Everything");
    EXPECT_TRUE(gatherer.outcome().analyze);
    EXPECT_FALSE(gatherer.outcome().showReport);
    EXPECT_FALSE(gatherer.outcome().indicator);
}

TEST_F(Gather, PlatformFailuresEndTheGatherAsTheirStepSays) {
    std::vector<GatherOutcome> seen;
    gatherer.setOutcomeHandler([&seen](const GatherOutcome& o) { seen.push_back(o); });
    const std::string before = run("Everything").NetParamReport;

    params.params.sizingError = 13;
    const Snapshot& s = run("Everything");
    EXPECT_EQ(gatherer.outcome().message, "GetNetworkParams sizing failed with error 13");
    EXPECT_EQ(s.NetParamReport, before);
    EXPECT_FALSE(gatherer.outcome().indicator);
    EXPECT_EQ(s.DnsServers[1], "Blank!");  // the reset came first

    params.params.sizingError = 0;
    params.params.error = 5;
    EXPECT_EQ(run("Everything").NetParamReport, "\r\nGetNetworkParams failed with error 5");
    EXPECT_EQ(gatherer.outcome().message, std::nullopt);
    EXPECT_FALSE(gatherer.outcome().indicator);

    params.params.error = 0;
    interfaces.table.error = 105;
    const std::string failed = run("Everything").NetParamReport;
    EXPECT_TRUE(failed.ends_with("------\r\nGetAdaptersInfo failed with error 105")) << failed;
    EXPECT_FALSE(gatherer.outcome().indicator);
    EXPECT_FALSE(gatherer.outcome().analyze);

    interfaces.table.error = 0;
    interfaces.table.sizingError = 24;
    run("Nothing");
    EXPECT_EQ(gatherer.outcome().indicator, (AdapterIndicator{"No adapters", false, true}));
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[1].message, "GetNetworkParams sizing failed with error 13");
}

TEST_F(Gather, EverySnapshotStartsAfresh) {
    params.params.dnsServers = {"10.0.0.1", "10.0.0.2"};
    interfaces.table.rows.push_back(ethernetRow(3, "eth1", "198.51.100.2", "198.51.100.1"));
    dhcp.leases["eth1"] = {"198.51.100.1", 0, 0, ""};
    run("dhcp");
    params.params.dnsServers = {"10.0.0.9"};
    interfaces.table.rows.pop_back();
    const Snapshot& s = run("dhcp");
    EXPECT_EQ(s.DnsServers,
              (std::array<std::string, 5>{"1", "10.0.0.9", "Blank!", "Blank!", "Blank!"}));
    EXPECT_EQ(s.AdapterCount, 1);
    EXPECT_EQ(s.AdapterIPs[2][1], "Blank!");
    EXPECT_EQ(s.AdapterGateways[2][1], "Blank!");
    EXPECT_EQ(s.AdapterDhcp[2], "Disabled");
    EXPECT_EQ(s.AdapterDhcpServer[2], "Blank!");
    EXPECT_EQ(interfaces.reads, 2);  // one read of the kernel per gather
}

TEST_F(Gather, AdaptersSharingOrLackingAHardwareAddressGetTheirOwnStatus) {
    // A VLAN carries its parent's address; a tunnel has none. Both are adapters.
    InterfaceRow vlan = ethernetRow(3, "eth0.10", "198.51.100.2", "");
    vlan.physAddress = adapter(1).physAddress;
    vlan.adminStatus = kAdminDown;
    InterfaceRow tunnel = ethernetRow(4, "wg0", "203.0.113.5", "");
    tunnel.physAddress.clear();
    tunnel.type = kTypeOther;
    interfaces.table.rows.push_back(vlan);
    interfaces.table.rows.push_back(tunnel);
    dhcp.leases["eth0"] = {"", 0, 0, ""};  // a client that did not record its server
    const Snapshot& s = run("Nothing");
    EXPECT_EQ(s.AdapterDhcp[1], "Enabled");
    EXPECT_EQ(s.AdapterDhcpServer[1], "Blank!");
    EXPECT_EQ(s.AdapterAdminStatus[1], "Enabled");
    EXPECT_EQ(s.AdapterAdminStatus[2], "Disabled");
    EXPECT_EQ(s.AdapterAdminStatus[3], "Enabled");
    EXPECT_EQ(s.AdapterOperStatus[3], "Operational");
}

TEST_F(Gather, CardsComeFirstAndGuestLinksAreAdaptersOnlyWithTheDefaultRoute) {
    auto row = [](int index, const char* name, LinkRole role, const char* address,
                  const char* gateway) {
        InterfaceRow r = ethernetRow(index, name, address, gateway);
        r.description = name;
        r.role = role;
        return r;
    };
    interfaces.table.rows = {
        loopbackRow(),
        row(2, "docker0", LinkRole::Guest, "172.17.0.1", ""),
        row(3, "wg0", LinkRole::Other, "10.64.0.2", "wg0 (direct link)"),
        row(4, "veth9", LinkRole::Guest, "", ""),
        row(5, "wlan0", LinkRole::Physical, "192.168.1.9", ""),
        row(6, "enp0s3", LinkRole::Physical, "", ""),
        row(7, "vethgw", LinkRole::Guest, "10.0.3.2", "10.0.3.1"),
    };
    const Snapshot& s = run("Nothing");
    EXPECT_EQ(s.AdapterCount, 4);
    std::vector<std::string> order;
    for (int a = 1; a <= s.AdapterCount; ++a)
        order.push_back(s.AdapterIPs[a][5]);
    EXPECT_EQ(order, (std::vector<std::string>{"wlan0", "enp0s3", "wg0", "vethgw"}));
    EXPECT_EQ(s.AdapterGateways[3][1], "wg0 (direct link)");
}

TEST_F(Gather, AdaptersAndAddressesBeyondTheTablesAreReportedNotStored) {
    for (int i = 3; i <= 7; ++i)
        interfaces.table.rows.push_back(ethernetRow(i, "eth" + std::to_string(i - 2), "", ""));
    for (int i = 2; i <= 6; ++i)
        adapter(1).addresses.push_back(
            {"192.0.2." + std::to_string(10 + i), i == 2 ? "255.255.0.0" : "255.255.255.0"});
    for (const char* name : {"eth0", "eth1", "eth2", "eth3"})
        dhcp.leases[name] = {"192.0.2.1", 0, 0, ""};
    const Snapshot& s = run("Everything");
    EXPECT_EQ(s.AdapterCount, 4);
    EXPECT_EQ(s.AdapterDhcp,
              (std::array<std::string, 5>{"4", "Enabled", "Enabled", "Enabled", "Disabled"}));
    EXPECT_EQ(s.AdapterDhcpServer[3], "192.0.2.1");
    EXPECT_EQ(s.AdapterDhcpServer[4], "Blank!");
    EXPECT_EQ(s.AdapterIPs[1][0], "6");
    EXPECT_EQ(s.AdapterIPs[1][4], "192.0.2.14");
    for (const char* part : {"\r\n   PC IP Address#1: ....192.0.2.10\r\n   Subnet Mask: "
                             "........255.255.255.0\r\n   PC IP Address#2: ....192.0.2.12\r\n"
                             "   Subnet Mask: ........255.255.0.0\r\n",
                             "   PC IP Address#6: ....192.0.2.16", "  Network adapter#6"})
        EXPECT_NE(s.NetParamReport.find(part), std::string::npos) << part;
    EXPECT_EQ(occurrences(s.NetParamReport, texts::kDhcpOn), 4u);
    EXPECT_EQ(occurrences(s.NetParamReport, "   DHCP Server: ........192.0.2.1"), 4u);
    // Separators stand only between adapters.
    EXPECT_EQ(occurrences(s.NetParamReport, texts::kSeparator), 5u);
    EXPECT_NE(s.NetParamReport.find(std::string(texts::kSeparator) + "\r\n  Network adapter#2"),
              std::string::npos);
}

}  // namespace
}  // namespace zelto::netparams
