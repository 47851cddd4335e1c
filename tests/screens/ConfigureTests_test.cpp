#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "screens/ConfigureTests.h"
#include "support/ProfileFixture.h"

namespace zelto::profiles {
namespace {

using Values = std::array<std::string, 3>;

struct Screen : test::ProfileFixture {
    Screen() {
        writeProfile("OutofOffice.ini",
                     {"[Configured By]", " Help desk 555 ", "[Gateway]", " ", "10.0.0.1", "[Web]",
                      "browse", "a", "b", "c", "d", "[Mail]", "read mail", "mx:25"});
        writeProfile("InOffice.ini", {"[Configured By]", "Office", "[Print]", "print", "p"});
    }
    void open(int slot = 0) {
        ASSERT_FALSE(loadEnds(slot));
        screen.open();
    }
    Values values(int line) { return {value(line, 1), value(line, 2), value(line, 3)}; }
    const std::string& value(int line, int k) {
        return screen.TestValue[ConfigureTests::valueBox(line, k)].text();
    }
    void setLine(int line, const std::string& name, const std::string& message, Values v) {
        screen.Test[line].setText(name);
        screen.TestMessage[line].setText(message);
        for (int k = 1; k <= 3; ++k)
            screen.TestValue[ConfigureTests::valueBox(line, k)].setText(v[k - 1]);
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& m : prompt.messages)
            out.push_back(m.text);
        return out;
    }

    ConfigureTests screen{ctx};
};

TEST_F(Screen, OpeningShowsTheCurrentProfileAndDropsEarlierEdits) {
    open();
    EXPECT_TRUE(screen.window.visible());
    EXPECT_EQ(screen.window.caption(), "Setup tests for Out of the Office");
    EXPECT_EQ(screen.ConfiguredBy.text(), " Help desk 555 ");
    EXPECT_EQ(screen.Test[1].text(), "Gateway");
    EXPECT_EQ(screen.TestMessage[1].text(), " ");
    EXPECT_EQ(values(1), (Values{"10.0.0.1", "", ""}));
    EXPECT_EQ(values(2), (Values{"a", "b", "c"}));  // the fourth item is not shown
    EXPECT_EQ(screen.Test[3].text(), "Mail");
    EXPECT_EQ(screen.Option1.selected(), 0);

    setLine(4, "Typed", "t", {"x", "y", "z"});
    screen.Option1.select(2);
    screen.unload();
    EXPECT_FALSE(screen.window.visible());
    ASSERT_FALSE(loadEnds(1));
    screen.open();
    EXPECT_EQ(screen.window.caption(), "Setup tests for In the Office");
    EXPECT_EQ(screen.ConfiguredBy.text(), "Office");
    EXPECT_EQ(screen.Test[1].text(), "Print");
    for (int line = 2; line <= 7; ++line) {
        EXPECT_EQ(screen.Test[line].text(), "") << line;
        EXPECT_EQ(screen.TestMessage[line].text(), "") << line;
        EXPECT_EQ(values(line), (Values{"", "", ""})) << line;
    }
    EXPECT_EQ(screen.Option1.selected(), 0);
}

TEST_F(Screen, ButtonsThatNeedALineAskForOneAndChangeNothing) {
    open();
    net.modes.clear();
    const std::string load =
        "Please click a radio button next to the left of the test you wish to load this value";
    struct Case {
        ui::Button& button;
        std::string message;
    };
    const std::vector<Case> cases{
        {screen.Gateway, load},
        {screen.DNS, load},
        {screen.DHCP, load},
        {screen.Autoconfig[0], load},
        {screen.Autoconfig[1], load},
        {screen.ClearValues,
         "Please click a radio button next to the left of the test you wish to clear"},
        {screen.MoveUp,
         "Please click a radio button next to the left of the test you wish to move"},
        {screen.MoveDown,
         "Please click a radio button next to the left of the test you wish to move"}};
    for (const Case& k : cases) {
        prompt.messages.clear();
        k.button.click();
        ASSERT_EQ(prompt.messages.size(), 1u) << k.message;
        EXPECT_EQ(prompt.messages[0], (ui::Message{"Zelto", k.message, ui::Buttons::Ok}));
    }
    EXPECT_TRUE(net.modes.empty()) << "a fill gathered without a line";
    EXPECT_EQ(screen.Test[1].text(), "Gateway");
    EXPECT_EQ(values(2), (Values{"a", "b", "c"}));
}

struct FillCase {
    const char* label;
    std::function<void(test::FakeGatherer&)> network;
    std::function<void(ConfigureTests&)> click;
    const char* mode;
    const char* name;
    const char* message;
    Values values;
};

struct Fills : Screen, ::testing::WithParamInterface<FillCase> {};

TEST_P(Fills, ReplaceTheSelectedLineWithTheNetworksValues) {
    const FillCase& k = GetParam();
    open();
    k.network(net);
    net.modes.clear();
    setLine(5, "Old", "old message", {"1", "2", "3"});
    screen.Option1.select(5);
    prompt.messages.clear();
    k.click(screen);
    EXPECT_EQ(net.modes, std::vector<std::string>{k.mode});
    EXPECT_EQ(screen.Test[5].text(), k.name);
    EXPECT_EQ(screen.TestMessage[5].text(), k.message);
    EXPECT_EQ(values(5), k.values);
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_EQ(screen.Option1.selected(), 5);
    EXPECT_EQ(screen.Test[3].text(), "Mail");
}

const char* kNoValue = "No value. Check Network Parameters";
const char* kGatewayMessage = "access other networks";
const char* kDnsMessage = "resolve names to IP addresses";
const char* kDhcpMessage = "get your IP address and maybe gateway and DNS servers.";

void gateway(ConfigureTests& s) {
    s.Gateway.click();
}
void dns(ConfigureTests& s) {
    s.DNS.click();
}
void dhcp(ConfigureTests& s) {
    s.DHCP.click();
}

INSTANTIATE_TEST_SUITE_P(
    Screen, Fills,
    ::testing::Values(FillCase{"DnsTwoServers",
                               [](test::FakeGatherer& n) {
                                   n.snap.DnsServers[1] = "192.0.2.53";
                                   n.snap.DnsServers[3] = "192.0.2.54";
                               },
                               dns,
                               "DNS",
                               "DNS",
                               kDnsMessage,
                               {"192.0.2.53", "192.0.2.54", ""}},
                      FillCase{"GatewayNoAddress",
                               [](test::FakeGatherer& n) { n.adapter(1, "", {"10.0.0.1"}); },
                               gateway,
                               "Gateway",
                               "Gateway",
                               kGatewayMessage,
                               {kNoValue, "", ""}},
                      FillCase{"GatewaysInAdapterOrderAtMostThree",
                               [](test::FakeGatherer& n) {
                                   n.adapter(1, "10.0.0.5", {"10.0.0.1"});
                                   n.adapter(2, "", {"10.9.9.9"});
                                   n.adapter(3, "10.1.0.5", {"10.1.0.1", "10.1.0.2"});
                                   n.adapter(4, "10.4.0.5", {"10.4.0.1"});
                               },
                               gateway,
                               "Gateway",
                               "Gateway",
                               kGatewayMessage,
                               {"10.0.0.1", "10.1.0.1", "10.1.0.2"}},
                      FillCase{
                          "GatewayOfTheFourthAdapter",
                          [](test::FakeGatherer& n) { n.adapter(4, "10.4.0.5", {"10.4.0.1"}); },
                          gateway,
                          "Gateway",
                          "Gateway",
                          kGatewayMessage,
                          {"10.4.0.1", "", ""}},
                      FillCase{"DhcpOnlyEnabledAdaptersWithAnAddressAndAServer",
                               [](test::FakeGatherer& n) {
                                   n.adapter(1, "10.0.0.5", {}, "10.0.0.2");
                                   n.adapter(2, "", {}, "10.2.0.2");
                                   n.adapter(3, "10.3.0.5", {}, "10.3.0.2");
                                   n.adapter(4, "10.4.0.5", {},
                                             "10.4.0.2");  // only adapters 1 to 3
                               },
                               dhcp,
                               "DHCP",
                               "DHCP",
                               kDhcpMessage,
                               {"10.0.0.2", "10.3.0.2", ""}},
                      FillCase{"DhcpServerUnknownIsNoValue",
                               [](test::FakeGatherer& n) {
                                   n.adapter(1, "10.0.0.5", {}, "x");
                                   n.snap.AdapterDhcpServer[1] = "Blank!";
                               },
                               dhcp,
                               "DHCP",
                               "DHCP",
                               kDhcpMessage,
                               {kNoValue, "", ""}}),
    [](const ::testing::TestParamInfo<FillCase>& i) { return i.param.label; });

TEST_F(Screen, KeywordsGoOnlyIntoGatewayDhcpOrDnsLines) {
    open();
    net.modes.clear();
    setLine(4, "dns", "d", {"1", "2", "3"});
    screen.Option1.select(4);
    screen.Autoconfig[1].click();
    EXPECT_EQ(values(4), (Values{"Learn&Save", "", ""}));
    setLine(4, "GATEWAY", "g", {"1", "2", "3"});
    screen.Autoconfig[0].click();
    EXPECT_EQ(values(4), (Values{"Autoconfig", "", ""}));
    EXPECT_TRUE(prompt.messages.empty());

    screen.Option1.select(3);  // Mail
    screen.Autoconfig[1].click();
    screen.Test[3].setText(" dns");
    screen.Autoconfig[0].click();
    EXPECT_EQ(texts(), (std::vector<std::string>{
                           "Learn&Save only works for a Gateway, DHCP or DNS test. Use the button "
                           "for 'Gateway', 'DHCP' or 'DNS' first, then press Learn&Save",
                           "Autoconfig only works for a Gateway, DHCP or DNS test. Use the button "
                           "for 'Gateway', 'DHCP' or 'DNS' first, then press Autoconfig"}));
    EXPECT_EQ(values(3), (Values{"mx:25", "", ""}));
    EXPECT_TRUE(net.modes.empty());
}

TEST_F(Screen, MovesSwapWholeLinesAndTheSelectionFollows) {
    open();
    screen.Option1.select(3);
    screen.MoveUp.click();
    EXPECT_EQ(screen.Option1.selected(), 2);
    EXPECT_EQ(screen.Test[2].text(), "Mail");
    EXPECT_EQ(screen.TestMessage[2].text(), "read mail");
    EXPECT_EQ(values(2), (Values{"mx:25", "", ""}));
    EXPECT_EQ(screen.Test[3].text(), "Web");
    EXPECT_EQ(values(3), (Values{"a", "b", "c"}));

    screen.MoveUp.click();
    screen.MoveUp.click();  // already at the top
    EXPECT_EQ(screen.Test[1].text(), "Mail");
    for (int i = 0; i < 7; ++i)
        screen.MoveDown.click();  // six moves, then the bottom
    EXPECT_EQ(screen.Option1.selected(), 7);
    EXPECT_EQ(screen.Test[7].text(), "Mail");
    EXPECT_EQ(values(7), (Values{"mx:25", "", ""}));
    EXPECT_EQ(screen.Test[1].text(), "Gateway");
    EXPECT_EQ(screen.Test[2].text(), "Web");
    EXPECT_EQ(screen.Test[6].text(), "");
    screen.ClearValues.click();  // the selection stays on the cleared line
    EXPECT_EQ(screen.Test[7].text(), "");
    EXPECT_EQ(values(7), (Values{"", "", ""}));
    EXPECT_EQ(screen.Option1.selected(), 7);
    EXPECT_EQ(texts(), (std::vector<std::string>{"Sorry can't move any higher",
                                                 "Sorry I can't move any lower"}));
}

}  // namespace
}  // namespace zelto::profiles
