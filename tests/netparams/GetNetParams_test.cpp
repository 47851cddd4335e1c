#include "netparams/GetNetParams.h"

#include <gtest/gtest.h>

#include "FakeSources.h"
#include "netparams/AdpaterStatus.h"
#include "netparams/AnalyzeNetParams.h"

namespace zelto::netparams {
namespace {

using namespace test;

class Gather : public ::testing::Test {
  protected:
    Gather() {
        net.params.hostName = "desk7";
        net.params.domainName = "example.org";
        net.params.dnsServers = {"192.0.2.53"};
        net.table.rows = {loopbackRow(), ethernetRow(2, "eth0", "192.0.2.10", "192.0.2.1")};
    }
    const Snapshot& run(const std::string& mode, bool explain = false) {
        gatherer.GatherNetParams(mode, explain);
        return gatherer.snapshot();
    }
    /// Adds a link with the next index.
    InterfaceRow& add(const std::string& name, LinkRole role, const char* address = "",
                      const char* gateway = "") {
        const int index = static_cast<int>(net.table.rows.size()) + 1;
        InterfaceRow& row = net.table.rows.emplace_back(ethernetRow(index, name, address, gateway));
        row.role = role;
        return row;
    }

    FakeNet net;
    GetNetParams gatherer{net, net, net, net};
};

// Cards come first, links made for containers are no adapters unless the default route leaves
// by them, a VLAN sharing its card's hardware address and a tunnel without one get their own
// status, and what is beyond the four slots is reported but not stored.
TEST_F(Gather, ADesktopWithManyLinksInBothLayouts) {
    net.params.dnsServers = {"10.0.0.1", "10.0.0.2", "10.0.0.3",
                             "10.0.0.4", "10.0.0.5", "10.0.0.6"};
    net.bias = -5.5f;  // half-hour zones give fractions
    net.table.rows[1].role = LinkRole::Physical;
    for (int i = 2; i <= 6; ++i)
        net.table.rows[1].addresses.push_back(
            {"192.0.2." + std::to_string(10 + i), i == 2 ? "255.255.0.0" : "255.255.255.0"});
    net.leases["eth0"] = {"192.0.2.1", 1782000000, 1782086400, ""};
    add("docker0", LinkRole::Guest, "172.17.0.1");
    add("wlan0", LinkRole::Physical).addresses = {{"0.0.0.0", "0.0.0.0"}};
    net.table.rows.back().outOctets = 0;
    net.leases["wlan0"] = {"", 0, 1765000000, ""};  // no server recorded, no start
    InterfaceRow& vlan = add("eth0.10", LinkRole::Other, "198.51.100.2");
    vlan.physAddress = net.table.rows[1].physAddress;
    vlan.adminStatus = kAdminDown;
    vlan.inOctets = vlan.outOctets = 0;
    InterfaceRow& tunnel = add("wg0", LinkRole::Other, "10.64.0.2", "wg0 (direct link)");
    tunnel.physAddress.clear();
    tunnel.inOctets = 0;
    add("vethgw", LinkRole::Guest, "10.0.3.2", "10.0.3.1");

    const Snapshot& s = run("Everything", true);
    EXPECT_EQ(s.NetParamReport, fixture("everything.txt"));
    EXPECT_EQ(gatherer.outcome().indicator,  // of every adapter, not only the stored ones
              (AdapterIndicator{"vethgw (Ethernet)-Enabled-Operational", true, false}));
    EXPECT_EQ(s.DnsServers,
              (std::array<std::string, 5>{"6", "10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4"}));
    // The slots hold the first four adapters and addresses, as the report orders them.
    EXPECT_EQ(s.AdapterCount, 4);
    EXPECT_EQ(s.AdapterIPs[1],
              (std::array<std::string, 6>{"6", "192.0.2.10", "192.0.2.12", "192.0.2.13",
                                          "192.0.2.14", "eth0 (Ethernet)"}));

    EXPECT_EQ(run("KeyValues", true).NetParamReport, fixture("keyvalues.txt"));
    const std::string keys = run("KeyValues").NetParamReport;
    EXPECT_TRUE(gatherer.outcome().showReport);
    // Other modes build the key lines too, and show nothing.
    for (const char* mode : {"Nothing", "dns", "Gateway", "everything", "Analyze"}) {
        EXPECT_EQ(run(mode).NetParamReport, keys) << mode;
        EXPECT_FALSE(gatherer.outcome().showReport || s.ShowAllParams) << mode;
        EXPECT_EQ(gatherer.outcome().analyze, mode == std::string("Analyze"));
    }
}

TEST_F(Gather, EmptyAndLongValues) {
    net.params.dnsServers = {"0.0.0.0"};
    EXPECT_EQ(run("KeyValues").DnsServers,
              (std::array<std::string, 5>{"1", "Blank!", "Blank!", "Blank!", "Blank!"}));
    net.table.rows[1].description = "Café-Netzwerkkarte für Gäste";  // 28 characters
    const Snapshot& s = run("KeyValues");
    EXPECT_EQ(s.AdapterIPs[1][5], "Café-Netzwerkkarte f");  // never cut inside a character
    EXPECT_EQ(leaseTimeText(2147483647, 0.0f), "Tuesday, Jan 19 03:14:07 2038");
}

// Testing counts as disabled, and an adapter not up wins over a later disabled one. With no
// adapters, "Nothing" says so; any other mode asks for the analysis, which explains it.
TEST_F(Gather, IndicatorShowsTheAdapterOfTheLaterClass) {
    net.table.rows = {loopbackRow()};
    for (const auto& [admin, oper] : {std::pair{kAdminDown, kOperDisconnected},
                                      {kAdminTesting, kOperOperational},
                                      {kAdminUp, kOperDisconnected},
                                      {kAdminDown, kOperNonOperational}}) {
        InterfaceRow& row = add("e" + std::to_string(net.table.rows.size() + 1), LinkRole::Other);
        row.adminStatus = admin;
        row.operStatus = oper;
    }
    run("Nothing");
    EXPECT_EQ(gatherer.outcome().indicator,
              (AdapterIndicator{"e4 (Ethernet)-Enabled-Disconnected", false, true}));
    net.table.rows = {loopbackRow()};
    run("Nothing");
    EXPECT_EQ(gatherer.outcome().indicator, (AdapterIndicator{"No adapters", false, true}));
    EXPECT_TRUE(run("Everything")
                    .NetParamReport.ends_with("\r\nGetAdaptersInfo sizing failed with error 232"));
    EXPECT_TRUE(gatherer.outcome().analyze);
    EXPECT_FALSE(gatherer.outcome().showReport || gatherer.outcome().indicator);
}

// Each failure ends the gather as its step says, and every gather starts from empty slots; each
// gather's outcome reaches the window that applies it.
TEST_F(Gather, PlatformFailuresEndTheGatherAsTheirStepSays) {
    std::optional<std::string> told = "nothing";
    gatherer.setOutcomeHandler([&told](const GatherOutcome& o) { told = o.message; });
    net.leases["eth0"] = {"192.0.2.1", 0, 0, ""};
    const std::string before = run("Everything").NetParamReport;

    net.params.sizingError = 13;
    const Snapshot& s = run("Everything");
    EXPECT_EQ(told, "GetNetworkParams sizing failed with error 13");
    EXPECT_EQ(s.NetParamReport, before);
    EXPECT_FALSE(gatherer.outcome().indicator);
    EXPECT_EQ(s.AdapterDhcpServer[1], "Blank!");

    net.params.sizingError = 0;
    net.params.error = 5;
    EXPECT_EQ(run("Everything").NetParamReport, "\r\nGetNetworkParams failed with error 5");
    EXPECT_EQ(told, std::nullopt);

    net.params.error = 0;
    net.table.error = 105;
    EXPECT_TRUE(run("Everything")
                    .NetParamReport.ends_with("------\r\nGetAdaptersInfo failed with error 105"));
    EXPECT_FALSE(gatherer.outcome().indicator || gatherer.outcome().analyze);
}

// One link of an analysis case: its addresses, gateway and DHCP server (nullptr: no DHCP).
struct Link {
    const char* name;
    std::vector<std::string> addresses;
    const char* gateway = "";
    const char* server = nullptr;
};

// Every kind of fault the analysis names, each over the real gather; help sections show as
// <name>. The texts are in fixtures/analysis.txt, one "== case" block each.
TEST_F(Gather, AnalysisNamesTheFirstKindOfFault) {
    const Link good{"eth0", {"192.0.2.10"}, "192.0.2.1", "192.0.2.1"};
    const Link bare{"eth1", {}};
    const Link two{"enp0s31f6", {"192.0.2.10", "192.0.2.11"}, "192.0.2.1"};
    const std::pair<const char*, std::vector<Link>> cases[] = {
        {"no adapters", {}},
        {"no problems", {bare, good}},
        {"no addresses, DHCP on some",
         {{"Intel(R) PRO/1000 MT Network", {}, "", ""},
          {"wlan0", {}},
          {"usb0", {}, "", "10.0.0.1"}}},
        {"no addresses, no DHCP", {bare, {"wlan0", {}}}},
        {"no gateway, static", {{"eth0", {"192.0.2.10"}}}},
        {"no gateway, DHCP",
         {{"eth0", {"10.0.0.5"}, "", "10.0.0.1"}, {"wlan0", {"10.1.0.5"}, "", "10.1.0.1"}, bare}},
        {"no gateway, DHCP with no known server", {{"eth0", {"10.0.0.5"}, "", ""}}},
        {"several addresses on one adapter", {good, two}},
        {"several adapters", {good, {"tun0", {"10.8.0.2"}}, two}},
    };
    std::string analyses;
    for (const auto& [what, links] : cases) {
        net.table.rows = {loopbackRow()};
        net.leases.clear();
        for (const Link& l : links) {
            InterfaceRow& row = add(l.name, LinkRole::Other, "", l.gateway);
            for (const std::string& address : l.addresses)
                row.addresses.push_back({address, "255.255.255.0"});
            if (l.server != nullptr)
                net.leases[l.name] = {l.server, 0, 0, ""};
        }
        analyses += std::string("== ") + what + "\r\n" +
                    AnalyzeNetParams(run("Analyze"),
                                     [](const std::string& s) { return "<" + s + ">\r\n"; }) +
                    "\r\n";
    }
    EXPECT_EQ(analyses, fixture("analysis.txt"));
}

TEST(InterfaceListing, BlocksOfEveryRowButTheFirst) {
    InterfaceRow row = ethernetRow(2, "eth0", "", "");
    row.physAddress = std::string("\x00\x0c\x29\x1a\x2b\x3c", 6);
    std::uint64_t* counters[] = {&row.inOctets,     &row.inUcastPkts,   &row.inNUcastPkts,
                                 &row.inDiscards,   &row.inErrors,      &row.inUnknownProtos,
                                 &row.outUcastPkts, &row.outNUcastPkts, &row.outDiscards,
                                 &row.outErrors};
    for (std::uint64_t n = 0; n < std::size(counters); ++n)
        *counters[n] = 1234567 + n;
    row.outOctets = 5000000000;  // beyond 32 bits: no wrap
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(ReadInterfaceTable({loopbackRow(), row, ethernetRow(3, "eth1", "", "")}, us),
              fixture("listing.txt"));
    EXPECT_EQ(groupedNumber(1234567, QLocale::c()), "1234567");
    EXPECT_EQ(speedText(999999) + speedText(1000000), "999.999Kbs1Mbs");
}

}  // namespace
}  // namespace zelto::netparams
