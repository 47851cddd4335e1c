#include "netparams/NetParmsText.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "FakeSources.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

namespace zelto::netparams {
namespace {

using zelto::test::FakeGatherer;
using zelto::test::TempDir;

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    return names;
}

// The screen over a gatherer that records the modes it was asked for.
class Screen : public ::testing::Test {
  protected:
    Screen() {
        session.InstallDir = dir.path();
        screen.window.onLoad = [this] { ++loads; };
    }

    TempDir dir;
    profiles::Session session;
    ui::ScriptedPrompter prompt;
    ui::FixedClock clock{ui::makeLocalTime(2026, 12, 5, 5, 8, 4)};
    FakeGatherer net;
    NetParmsText screen{net, session, prompt, clock};
    int loads = 0;
};

TEST_F(Screen, EachButtonSetsItsTitleAndAsksForItsGather) {
    struct Press {
        ui::Button& button;
        const char* title;
        bool empties;
        const char* mode;
        bool explain;
    };
    const std::vector<Press> presses{
        {screen.AllWExplain, "All Network Parameters with Explanation", true, "Everything", true},
        {screen.KeyWExplain, "Key Network Parameters with Explanation", false, "KeyValues", true},
        {screen.AllParameters, "All Network Parameters", true, "Everything", false},
        {screen.AnalyzeParameters, "Analyse Parameters", false, "Analyze", true},
    };
    for (const Press& p : presses) {
        screen.Net_Parms_Text.setText("earlier output");
        net.modes.clear();
        net.explanations.clear();
        p.button.click();
        EXPECT_EQ(screen.ScreenTitle.text(), p.title);
        EXPECT_EQ(screen.Net_Parms_Text.text(), p.empties ? "" : "earlier output") << p.title;
        EXPECT_EQ(net.modes, std::vector<std::string>{p.mode}) << p.title;
        EXPECT_EQ(net.explanations, std::vector<bool>{p.explain}) << p.title;
    }
    EXPECT_EQ(screen.AdapterStatus.caption(), "Adpater Status");
    EXPECT_EQ(screen.PrintLog.caption(), "Write Screen to Log File");
}

TEST_F(Screen, AdapterStatusShowsTheListingAndKeepsTheBoxWhenTheTableCannotBeRead) {
    screen.Net_Parms_Text.setText("report");
    screen.AdapterStatus.click();  // no listing source yet
    EXPECT_EQ(screen.ScreenTitle.text(), "Adapter Status");
    EXPECT_EQ(screen.Net_Parms_Text.text(), "report");

    std::optional<std::string> listing;
    screen.listInterfaces = [&] { return listing; };
    screen.AdapterStatus.click();
    EXPECT_EQ(screen.Net_Parms_Text.text(), "report");
    listing = "";  // only the loopback row: an empty box
    screen.AdapterStatus.click();
    EXPECT_EQ(screen.Net_Parms_Text.text(), "");
    listing = "Network Adpater #1\r\n";
    screen.AdapterStatus.click();
    EXPECT_EQ(screen.Net_Parms_Text.text(), "Network Adpater #1\r\n");
    EXPECT_TRUE(net.modes.empty());
}

TEST_F(Screen, ShowHelpAsksForTheWholeHelpFileAndMovesPlaceTheWindow) {
    std::vector<std::string> topics;
    screen.showHelp = [&](const std::string& t) { topics.push_back(t); };
    screen.ScreenTitle.setText("Adapter Status");
    screen.ShowHelp.click();
    EXPECT_EQ(topics, std::vector<std::string>{"all"});
    EXPECT_EQ(screen.ScreenTitle.text(), "Adapter Status");

    int placed = 0;
    screen.window.placed.connect([&] { ++placed; });
    screen.MoveRight.click();
    EXPECT_EQ(screen.window.left(), 7850);
    screen.MoveLeft.click();
    screen.MoveLeft.click();  // the user may have dragged it away meanwhile
    EXPECT_EQ(screen.window.left(), 0);
    EXPECT_EQ(placed, 3);
}

TEST_F(Screen, OpeningFromTheMainWindowPlacesTitlesShowsAndGathersEverything) {
    screen.openFromMainWindow();
    EXPECT_EQ(loads, 1);
    EXPECT_TRUE(screen.window.visible());
    EXPECT_EQ(screen.window.caption(), "Network Parameters");
    EXPECT_EQ(screen.ScreenTitle.text(), "Current network parameters used by your PC");
    EXPECT_EQ(screen.window.left(), 0);
    EXPECT_EQ(net.modes, std::vector<std::string>{"Everything"});
    EXPECT_EQ(net.explanations, std::vector<bool>{false});

    // Minimised (or maximised): restored as it was, title and place untouched.
    for (ui::WindowState state : {ui::WindowState::Minimised, ui::WindowState::Maximised}) {
        screen.AdapterStatus.click();
        screen.MoveRight.click();
        screen.window.setState(state);
        screen.openFromMainWindow();
        EXPECT_EQ(screen.window.state(), ui::WindowState::Normal);
        EXPECT_EQ(screen.ScreenTitle.text(), "Adapter Status");
        EXPECT_EQ(screen.window.left(), 7850);
    }
    // Closed while maximised: the next opening shows it again like the first.
    screen.window.setState(ui::WindowState::Maximised);
    screen.window.unload();
    screen.openFromMainWindow();
    EXPECT_TRUE(screen.window.visible());
    EXPECT_EQ(screen.ScreenTitle.text(), "Current network parameters used by your PC");
    EXPECT_EQ(net.modes.size(), 4u);
    EXPECT_EQ(loads, 1);
}

TEST_F(Screen, OpeningBesideTheGuideAlwaysPlacesItBesideTheMainWindow) {
    screen.window.setState(ui::WindowState::Minimised);
    screen.openBesideGuide();
    EXPECT_TRUE(screen.window.visible());
    EXPECT_EQ(screen.window.state(), ui::WindowState::Normal);
    EXPECT_EQ(screen.ScreenTitle.text(), "Current network parameters used by your PC");
    EXPECT_EQ(screen.window.left(), 7850);
    EXPECT_EQ(net.modes, std::vector<std::string>{"Everything"});
    EXPECT_EQ(net.explanations, std::vector<bool>{false});
}

TEST(NetParmLog, NameHasPlainNumbersInMonthDayYearHourMinuteSecondOrder) {
    EXPECT_EQ(netParmLogPath("/home/ann/Zelto/", ui::makeLocalTime(2026, 12, 5, 5, 8, 4)),
              "/home/ann/Zelto/NetParm12-5-2026-5-8-4.Txt");
    EXPECT_EQ(netParmLogPath("/home/ann/Zelto", ui::makeLocalTime(2027, 1, 31, 23, 59, 0)),
              "/home/ann/Zelto/NetParm1-31-2027-23-59-0.Txt");
}

TEST_F(Screen, WritingTheLogAsksFirstAndWritesTheBoxWithOneLineBreak) {
    const std::string name = "NetParm12-5-2026-5-8-4.Txt";
    screen.Net_Parms_Text.setText("\r\nDNS Servers ---\r\n   DNS Server#1: .....192.0.2.53");
    prompt.answers = {ui::Answer::No};
    screen.PrintLog.click();
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0],
              (ui::Message{"Log to File",
                           "Do you want to write the contents of this screen to log file: " +
                               dir.path() + name,
                           ui::Buttons::YesNo}));
    EXPECT_EQ(session.FilePath, dir.path() + name);
    EXPECT_TRUE(filesIn(dir.path()).empty());

    prompt.answers = {ui::Answer::Yes};
    screen.PrintLog.click();
    EXPECT_EQ(dir.read(name), screen.Net_Parms_Text.text() + "\r\n");
    EXPECT_EQ(prompt.busyChanges, (std::vector<bool>{true, false}));

    // A second log in the same second replaces the first.
    screen.Net_Parms_Text.setText("Adapter Status");
    prompt.answers = {ui::Answer::Yes};
    screen.PrintLog.click();
    EXPECT_EQ(dir.read(name), "Adapter Status\r\n");
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{name});
    EXPECT_EQ(prompt.messages.size(), 3u);  // three questions, no error
}

TEST_F(Screen, ALogThatCannotBeWrittenIsReportedAndTheHourglassGoes) {
    session.InstallDir = dir.path() + "gone/";
    prompt.answers = {ui::Answer::Yes};
    screen.PrintLog.click();
    ASSERT_EQ(prompt.messages.size(), 2u);
    EXPECT_EQ(prompt.messages[1].title, "Zelto");
    EXPECT_EQ(prompt.messages[1].text, "Error for Zelto: File error for " + dir.path() +
                                           "gone/NetParm12-5-2026-5-8-4.Txt . Description=No "
                                           "such file or directory - Error number=2");
    EXPECT_EQ(prompt.busyChanges, (std::vector<bool>{true, false}));

    // A read-only folder: no file and no leftover temporary either.
    if (::geteuid() != 0) {
        session.InstallDir = dir.path();
        ASSERT_EQ(::chmod(dir.path().c_str(), 0500), 0);
        prompt.answers = {ui::Answer::Yes};
        screen.PrintLog.click();
        ::chmod(dir.path().c_str(), 0700);
        EXPECT_EQ(prompt.messages.size(), 4u);
        EXPECT_TRUE(filesIn(dir.path()).empty());
    }
}

// The screen over the real gather with fake platform sources: what the box ends up showing.
class ScreenWithGather : public ::testing::Test {
  protected:
    ScreenWithGather() {
        session.InstallDir = dir.path();
        params.params.hostName = "desk7";
        params.params.dnsServers = {"192.0.2.53"};
        interfaces.table.rows = {test::loopbackRow(),
                                 test::ethernetRow(2, "eth0", "192.0.2.10", "192.0.2.1")};
        gatherer.setOutcomeHandler(
            [this](const GatherOutcome& o) { screen.applyGatherOutcome(o, gatherer.snapshot()); });
    }

    TempDir dir;
    profiles::Session session;
    ui::ScriptedPrompter prompt;
    ui::FixedClock clock{ui::makeLocalTime(2026, 12, 5, 5, 8, 4)};
    test::FakeParams params;
    test::FakeInterfaces interfaces;
    test::FakeDhcp dhcp;
    test::FakeZone zone;
    GetNetParams gatherer{params, interfaces, dhcp, zone};
    NetParmsText screen{gatherer, session, prompt, clock};
};

TEST_F(ScreenWithGather, KeyValuesAfterAllParametersShowsOnlyTheKeyReport) {
    screen.AllParameters.click();
    const std::string all = screen.Net_Parms_Text.text();
    EXPECT_NE(all.find("Computer Name/Host Name: .....desk7"), std::string::npos);

    screen.KeyWExplain.click();
    EXPECT_EQ(screen.ScreenTitle.text(), "Key Network Parameters with Explanation");
    EXPECT_EQ(screen.Net_Parms_Text.text(), gatherer.snapshot().NetParamReport);
    EXPECT_EQ(screen.Net_Parms_Text.text().find("Computer Name"), std::string::npos);
    EXPECT_NE(screen.Net_Parms_Text.text().find("*********"), std::string::npos);

    // Gathers for other callers leave the box alone.
    screen.Net_Parms_Text.setText("kept");
    gatherer.GatherNetParams("Nothing", true);
    gatherer.GatherNetParams("dns", false);
    EXPECT_EQ(screen.Net_Parms_Text.text(), "kept");
}

TEST_F(ScreenWithGather, AnalyzeShowsTheAnalysisWithAdviceFromTheHelpFile) {
    dir.write("Help.txt", "[No Network Adapters]\r\nPlug in your adapter.\r\n");
    screen.AnalyzeParameters.click();
    EXPECT_EQ(screen.Net_Parms_Text.text(), "No problems found");

    interfaces.table.rows = {test::loopbackRow()};
    screen.AnalyzeParameters.click();
    EXPECT_EQ(screen.Net_Parms_Text.text(), "Plug in your adapter.\r\n");
    EXPECT_EQ(session.FilePath, dir.path() + "Help.txt");

    // Any gather that cannot list adapters analyses too, except the quiet "Nothing".
    screen.Net_Parms_Text.setText("");
    gatherer.GatherNetParams("gateway", false);
    EXPECT_EQ(screen.Net_Parms_Text.text(), "Plug in your adapter.\r\n");
    screen.Net_Parms_Text.setText("");
    gatherer.GatherNetParams("Nothing", true);
    EXPECT_EQ(screen.Net_Parms_Text.text(), "");
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(ScreenWithGather, AMissingHelpFileIsReportedAndTheMessageBeforeTheAdviceStays) {
    interfaces.table.rows = {test::loopbackRow(), test::ethernetRow(2, "eth0", "", "")};
    dhcp.leases["eth0"] = {"", 0, 0};
    screen.AnalyzeParameters.click();
    EXPECT_EQ(screen.Net_Parms_Text.text(),
              "There are no IP addresses.  DHCP is enabled for apdapter #1 eth0 (Ethernet), but "
              "no DHCP server was found.\r\n");
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_NE(prompt.messages[0].text.find(dir.path() + "Help.txt"), std::string::npos);
}

}  // namespace
}  // namespace zelto::netparams
