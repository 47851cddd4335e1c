#include "screens/NetParmsText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "netparams/FakeSources.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

namespace zelto::netparams {
namespace {

struct Screen : ::testing::Test {
    Screen() { session.InstallDir = dir.path(); }

    zelto::test::TempDir dir;
    profiles::Session session;
    ui::ScriptedPrompter prompt;
    ui::FixedClock clock{ui::makeLocalTime(2026, 12, 5, 5, 8, 4)};
    zelto::test::FakeGatherer net;
    NetParmsText screen{net, session, prompt, clock};
};

// The log is the run log's writer (its failures are tested there) under the screen's own name.
TEST_F(Screen, TheLogIsNamedByTheClockAndHoldsTheScreensText) {
    screen.Net_Parms_Text.setText("\r\nDNS Servers ---");
    prompt.answers = {ui::Answer::Yes};
    screen.PrintLog.click();
    EXPECT_EQ(dir.read("NetParm12-5-2026-5-8-4.Txt"), "\r\nDNS Servers ---\r\n");
    EXPECT_EQ(prompt.messages.at(0).text,
              "Do you want to write the contents of this screen to log file: " + session.FilePath);
}

// Over the real gather with fake platform sources: what the box ends up showing.
TEST_F(Screen, OverTheRealGatherShowsWhatItsButtonsAskForAndTheAnalysisWithHelpAdvice) {
    dir.write("Help.txt", "[No Network Adapters]\r\nPlug in your adapter.\r\n");
    test::FakeParams params;
    params.params.hostName = "desk7";
    test::FakeInterfaces interfaces;
    interfaces.table.rows = {test::loopbackRow(),
                             test::ethernetRow(2, "eth0", "192.0.2.10", "192.0.2.1")};
    test::FakeDhcp dhcp;
    test::FakeZone zone;
    GetNetParams gatherer{params, interfaces, dhcp, zone};
    NetParmsText shown{gatherer, session, prompt, clock};
    gatherer.setOutcomeHandler(
        [&](const GatherOutcome& o) { shown.applyGatherOutcome(o, gatherer.snapshot()); });

    gatherer.GatherNetParams("Everything", false);  // nothing to show before the first opening
    EXPECT_EQ(shown.Net_Parms_Text.text(), "");
    shown.window.load();
    shown.AllWExplain.click();
    EXPECT_NE(shown.Net_Parms_Text.text().find("Host Name: .....desk7"), std::string::npos);
    shown.KeyWExplain.click();
    EXPECT_EQ(shown.Net_Parms_Text.text().find("Host Name"), std::string::npos);
    const std::string key = shown.Net_Parms_Text.text();
    gatherer.GatherNetParams("dns", false);  // other callers' gathers leave the box alone
    EXPECT_EQ(shown.Net_Parms_Text.text(), key);
    shown.listInterfaces = [] { return std::nullopt; };  // an unreadable table: the box stays
    shown.AdapterStatus.click();
    EXPECT_EQ(shown.Net_Parms_Text.text(), key);

    shown.AnalyzeParameters.click();
    EXPECT_EQ(shown.Net_Parms_Text.text(), "No problems found");
    interfaces.table.rows = {test::loopbackRow()};
    shown.AllParameters.click();  // no adapter list: the analysis answers any report mode
    EXPECT_EQ(shown.Net_Parms_Text.text(), "Plug in your adapter.\r\n");
    EXPECT_TRUE(prompt.messages.empty());
}

}  // namespace
}  // namespace zelto::netparams
