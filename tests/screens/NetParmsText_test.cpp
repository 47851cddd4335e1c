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

class Screen : public ::testing::Test {
  protected:
    Screen() { session.InstallDir = dir.path(); }
    std::size_t files() const {
        const std::filesystem::directory_iterator all(dir.path());
        return static_cast<std::size_t>(std::distance(begin(all), end(all)));
    }

    zelto::test::TempDir dir;
    profiles::Session session;
    ui::ScriptedPrompter prompt;
    ui::FixedClock clock{ui::makeLocalTime(2026, 12, 5, 5, 8, 4)};
    zelto::test::FakeGatherer net;
    NetParmsText screen{net, session, prompt, clock};
};

TEST_F(Screen, EachButtonSetsItsTitleAndAsksForItsGather) {
    struct Press {
        ui::Button& button;
        const char* title;
        bool empties;
        const char* mode;
        bool explain;
    };
    for (const Press& p : std::vector<Press>{
             {screen.AllWExplain, "All Network Parameters with Explanation", true, "Everything",
              true},
             {screen.KeyWExplain, "Key Network Parameters with Explanation", false, "KeyValues",
              true},
             {screen.AllParameters, "All Network Parameters", true, "Everything", false},
             {screen.AnalyzeParameters, "Analyse Parameters", false, "Analyze", true}}) {
        screen.Net_Parms_Text.setText("earlier");
        p.button.click();
        EXPECT_EQ(screen.ScreenTitle.text(), p.title);
        EXPECT_EQ(screen.Net_Parms_Text.text(), p.empties ? "" : "earlier") << p.title;
        EXPECT_EQ(net.modes.back(), p.mode);
        EXPECT_EQ(net.explanations.back(), p.explain) << p.title;
    }
    std::optional<std::string> listing;  // a table that cannot be read leaves the box alone
    screen.listInterfaces = [&] { return listing; };
    screen.AdapterStatus.click();
    EXPECT_EQ(screen.ScreenTitle.text(), "Adapter Status");
    EXPECT_EQ(screen.Net_Parms_Text.text(), "earlier");
    listing = "";  // only the loopback row
    screen.AdapterStatus.click();
    EXPECT_EQ(screen.Net_Parms_Text.text(), "");

    std::vector<std::string> topics;
    screen.showHelp = [&](const std::string& t) { topics.push_back(t); };
    screen.ShowHelp.click();
    EXPECT_EQ(topics, std::vector<std::string>{"all"});
    screen.MoveRight.click();
    EXPECT_EQ(screen.window.left(), 7850);
    screen.MoveLeft.click();
    EXPECT_EQ(screen.window.left(), 0);
    EXPECT_EQ(net.modes.size(), 4u);
}

TEST_F(Screen, OpeningRestoresAMinimisedScreenAsItWasAndOtherwiseStartsAfresh) {
    int loads = 0;
    screen.window.onLoad = [&] { ++loads; };
    const std::string opening = "Current network parameters used by your PC";
    screen.openFromMainWindow();
    EXPECT_TRUE(screen.window.visible());
    EXPECT_EQ(screen.ScreenTitle.text(), opening);
    EXPECT_EQ(screen.window.left(), 0);

    screen.AdapterStatus.click();
    screen.MoveRight.click();
    screen.window.setState(ui::WindowState::Minimised);
    screen.openFromMainWindow();
    EXPECT_EQ(screen.window.state(), ui::WindowState::Normal);
    EXPECT_EQ(screen.ScreenTitle.text(), "Adapter Status");
    EXPECT_EQ(screen.window.left(), 7850);

    screen.window.setState(ui::WindowState::Maximised);
    screen.window.unload();  // closed: the next opening shows it like the first
    screen.openFromMainWindow();
    EXPECT_TRUE(screen.window.visible());
    EXPECT_EQ(screen.ScreenTitle.text(), opening);

    screen.AdapterStatus.click();
    screen.openBesideGuide();
    EXPECT_EQ(screen.ScreenTitle.text(), opening);
    EXPECT_EQ(screen.window.left(), 7850);
    EXPECT_EQ(net.modes, std::vector<std::string>(4, "Everything"));
    EXPECT_EQ(net.explanations, std::vector<bool>(4, false));
    EXPECT_EQ(loads, 1);
}

TEST_F(Screen, TheLogIsNamedByTheClockAskedForAndWrittenWholeOrReported) {
    EXPECT_EQ(netParmLogPath("/home/ann/Zelto", ui::makeLocalTime(2027, 1, 31, 23, 59, 0)),
              "/home/ann/Zelto/NetParm1-31-2027-23-59-0.Txt");
    const std::string path = dir.path() + "NetParm12-5-2026-5-8-4.Txt";
    screen.Net_Parms_Text.setText("\r\nDNS Servers ---");
    prompt.answers = {ui::Answer::No, ui::Answer::Yes, ui::Answer::Yes};
    screen.PrintLog.click();
    EXPECT_EQ(prompt.messages.at(0),
              (ui::Message{"Log to File",
                           "Do you want to write the contents of this screen to log file: " + path,
                           ui::Buttons::YesNo}));
    EXPECT_EQ(session.FilePath, path);
    EXPECT_EQ(files(), 0u);
    screen.PrintLog.click();
    EXPECT_EQ(dir.read("NetParm12-5-2026-5-8-4.Txt"), "\r\nDNS Servers ---\r\n");
    screen.Net_Parms_Text.setText("Adapter Status");
    screen.PrintLog.click();  // the same second: the same name, replaced
    EXPECT_EQ(dir.read("NetParm12-5-2026-5-8-4.Txt"), "Adapter Status\r\n");
    EXPECT_EQ(files(), 1u);
    EXPECT_EQ(prompt.messages.size(), 3u);

    session.InstallDir = dir.path() + "gone/";
    prompt.answers = {ui::Answer::Yes};
    screen.PrintLog.click();
    EXPECT_EQ(prompt.messages.back().text, "Error for Zelto: File error for " + dir.path() +
                                               "gone/NetParm12-5-2026-5-8-4.Txt . Description=No "
                                               "such file or directory - Error number=2");
    EXPECT_EQ(prompt.busyChanges, (std::vector<bool>{true, false, true, false, true, false}));
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
    shown.AllParameters.click();
    EXPECT_NE(shown.Net_Parms_Text.text().find("Host Name: .....desk7"), std::string::npos);
    shown.KeyWExplain.click();
    EXPECT_EQ(shown.Net_Parms_Text.text(), gatherer.snapshot().NetParamReport);
    EXPECT_EQ(shown.Net_Parms_Text.text().find("Host Name"), std::string::npos);
    const std::string key = shown.Net_Parms_Text.text();
    gatherer.GatherNetParams("dns", false);  // other callers' gathers leave the box alone
    EXPECT_EQ(shown.Net_Parms_Text.text(), key);

    shown.AnalyzeParameters.click();
    EXPECT_EQ(shown.Net_Parms_Text.text(), "No problems found");
    interfaces.table.rows = {test::loopbackRow()};
    shown.AllParameters.click();  // no adapter list: the analysis answers any report mode
    EXPECT_EQ(shown.Net_Parms_Text.text(), "Plug in your adapter.\r\n");
    shown.Net_Parms_Text.setText("");
    gatherer.GatherNetParams("Nothing", true);
    EXPECT_EQ(shown.Net_Parms_Text.text(), "");
    EXPECT_TRUE(prompt.messages.empty());
}

}  // namespace
}  // namespace zelto::netparams
