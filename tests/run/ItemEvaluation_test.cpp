#include "run/ItemEvaluation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/EngineRig.h"

namespace zelto::test {
namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The probe calls of a run after the lookup of this PC's own address.
std::vector<std::string> itemCalls(FakeNetworkServices& probes) {
    auto calls = probes.calls();
    std::erase(calls, std::string("lookup  "));
    return calls;
}

// The Loop Back row keeps the profile's banner in its last field: never an item to test.
TEST_F(EngineFixture, TheLoopBackBannerIsNeverTested) {
    loopBackAnswers();
    profile({{"Loop Back", {"127.0.0.1", "127.0.0.1", "127.0.0.1", "Welcome aboard"}}});
    engine.RunTests_Click();
    EXPECT_EQ(itemCalls(probes), std::vector<std::string>(3, "ping 127.0.0.1"));
    EXPECT_FALSE(contains(w.Results1.text(), "Welcome")) << w.Results1.text();
    EXPECT_EQ(w.Status[0].text(), "passed");
}

TEST_F(EngineFixture, ItemsAfterTheFirstBlankAreNeverTested) {
    loopBackAnswers();
    probes.answers("192.0.2.1");
    profile({{"Loop Back", {"127.0.0.1"}}, {"Web", {"192.0.2.1", "Blank!", "192.0.2.3"}}});
    engine.RunTests_Click();
    EXPECT_EQ(itemCalls(probes), (std::vector<std::string>{"ping 127.0.0.1", "ping 192.0.2.1"}));
    EXPECT_EQ(w.Status[1].text(), "passed");
}

// A failed Loop Back means this PC's own stack is broken: a dotted item with a port is failed
// without a line or a connect. The same item by host name still connects.
TEST_F(EngineFixture, FailedLoopBackSkipsDottedConnectsButNotNamedOnes) {
    probes.names["web.example"] = "192.0.2.1";
    probes.listens("192.0.2.1", 80);
    profile({{"Loop Back", {"127.0.0.1"}}, {"Web", {"192.0.2.1:80", "web.example:80"}}});
    engine.RunTests_Click();
    EXPECT_EQ(itemCalls(probes), (std::vector<std::string>{"ping 127.0.0.1", "lookup web.example",
                                                           "connect 192.0.2.1:80"}));
    EXPECT_TRUE(contains(w.Results1.text(),
                         "Test 2) Web\r\n"
                         "            -- Resolved web.example to 192.0.2.1\r\n"
                         "            Successfully connected to 192.0.2.1:80\r\n"
                         "!!!!!!!!!!! You may not be able to  \r\n"));
    EXPECT_EQ(w.Status[1].text(), "problem");
}

struct FailCase {
    const char* name;
    std::string item;
    std::string line;
};

class ItemFails : public EngineFixture, public ::testing::WithParamInterface<FailCase> {};

TEST_P(ItemFails, WithExactlyOneLineAndNoProbe) {
    loopBackAnswers();
    profile({{"Loop Back", {"127.0.0.1"}}, {"Gateway", {GetParam().item}}});
    engine.RunTests_Click();
    EXPECT_TRUE(contains(w.Results1.text(), "Test 2) Gateway\r\n" + GetParam().line +
                                                "\r\n******** You can not  \r\n"))
        << w.Results1.text();
    EXPECT_EQ(w.Status[1].text(), "failed. Click cross");
}

INSTANTIATE_TEST_SUITE_P(
    Keywords, ItemFails,
    ::testing::Values(
        FailCase{"AutoconfigFindsNothing", "autoconfig",
                 "!!!!!!!!!!! Autoconfig was unable to get the IP address for 2) Gateway"},
        FailCase{"LearnAndSaveLeftOver", "Learn&Save",
                 "!!!!!!!!!!! Learn&Save runs on program start. Either it was just set or was "
                 "unable to get the IP address for test 2) Gateway on startup"},
        FailCase{"UnknownName", "nowhere.example",
                 "!!!!!!!!!!! Unable to get the IP address for nowhere.example"},
        FailCase{"NameWithPortIsLookedUpWithoutIt", "nowhere.example:25",
                 "!!!!!!!!!!! Unable to get the IP address for nowhere.example"},
        FailCase{"PortZeroIsNoPort", "192.0.2.1:0",
                 "!!!!!!!!!!! Unable to get the IP address for 192.0.2.1:0"}),
    [](const auto& p) { return std::string(p.param.name); });

// One gather per run fills every autoconfig row; the keywords go back for the next run.
TEST_F(EngineFixture, AutoconfigIsFilledAfreshOnEveryRunAndPutBack) {
    loopBackAnswers();
    for (const char* a : {"192.0.2.1", "192.0.2.2", "192.0.2.53", "198.51.100.1"})
        probes.answers(a);
    profile({{"Loop Back", {"127.0.0.1"}}, {"Gateway", {"AutoConfig"}}, {"DNS", {"autoconfig"}}});
    net.adapter(1, "192.0.2.10", {"192.0.2.1", "192.0.2.2"});
    net.snap.DnsServers[1] = "192.0.2.53";

    engine.RunTests_Click();
    EXPECT_EQ(session.Table.at(0, 1, 1), "autoconfig");
    EXPECT_EQ(session.Table.at(0, 1, 2), "192.0.2.2");
    EXPECT_EQ(session.Table.at(0, 2, 1), "autoconfig");
    EXPECT_EQ(w.Status[1].text(), "passed");
    EXPECT_EQ(w.Status[2].text(), "passed");

    net.adapter(1, "198.51.100.10", {"198.51.100.1"});
    engine.RunTests_Click();
    EXPECT_EQ(session.Table.at(0, 1, 1), "autoconfig");
    auto calls = itemCalls(probes);
    std::sort(calls.begin(), calls.end());
    EXPECT_EQ(calls, (std::vector<std::string>{"ping 127.0.0.1", "ping 127.0.0.1", "ping 192.0.2.1",
                                               "ping 192.0.2.2", "ping 192.0.2.53",
                                               "ping 192.0.2.53", "ping 198.51.100.1"}));
    EXPECT_EQ(net.modes, (std::vector<std::string>{"gateway", "gateway"}));
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(EngineFixture, AutoconfigThatFindsNothingStillPutsTheKeywordBack) {
    loopBackAnswers();
    profile({{"Loop Back", {"127.0.0.1"}}, {"DNS", {"autoconfig", "192.0.2.53"}}});
    engine.RunTests_Click();
    EXPECT_EQ(session.Table.at(0, 1, 1), "autoconfig");
    // The fill blanked the other items too, so nothing more was tested.
    EXPECT_EQ(itemCalls(probes), std::vector<std::string>{"ping 127.0.0.1"});
}

}  // namespace
}  // namespace zelto::test
