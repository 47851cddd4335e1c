#include "run/Engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "support/EngineRig.h"

namespace zelto::test {
namespace {

using ::testing::Values;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// ---- Classification: every combination of the two item flags --------------------------------

struct Outcome {
    std::string status;
    ui::Color color;
    bool cross;
    std::string line, tip;  // the row's message line; the tray call at the end of the run
};
const Outcome kPassed{"passed", ui::kGreen, false, "            You can reach the web",
                      "icon 103 Stopped-Last pass OK"};
const Outcome kFailed{"failed. Click cross", ui::kRed, true, "******** You can not reach the web",
                      "icon 101 Stopped-2) Web-failed "};
const Outcome kProblem{"problem", ui::kOlive, true,
                       "!!!!!!!!!!! You may not be able to reach the web",
                       "icon 102 Stopped-2) Web-problem "};

struct ClassCase {
    const char* name;
    std::vector<std::string> items;
    const Outcome* outcome;
};

class Classification : public EngineFixture, public ::testing::WithParamInterface<ClassCase> {};

TEST_P(Classification, RowShowsOutcomeColourCrossMessageAndTray) {
    const Outcome& c = *GetParam().outcome;
    loopBackAnswers();
    probes.answers("192.0.2.1");
    probes.listens("192.0.2.1", 80);
    profile({{"Loop Back", {"127.0.0.1"}}, {"Web", GetParam().items, "reach the web"}});
    engine.RunTests_Click();
    EXPECT_EQ(w.Status[1].text(), c.status);
    EXPECT_EQ(w.Status[1].color(), c.color);
    EXPECT_EQ(w.Help1[1].visible(), c.cross);
    EXPECT_TRUE(contains(w.Results1.text(), c.line + "\r\n")) << w.Results1.text();
    EXPECT_EQ(tray.calls, std::vector<std::string>{c.tip + " at " + time()});
    EXPECT_EQ(w.TestStatus.text(), "COMPLETED");
}

INSTANTIATE_TEST_SUITE_P(FlagCombinations, Classification,
                         Values(ClassCase{"PingPasses", {"192.0.2.1"}, &kPassed},
                                ClassCase{"NoItemsPasses", {}, &kPassed},
                                ClassCase{"PingFails", {"192.0.2.2"}, &kFailed},
                                ClassCase{"ConnectFails", {"192.0.2.2:80"}, &kFailed},
                                ClassCase{"PassThenFail", {"192.0.2.1", "192.0.2.2"}, &kProblem},
                                ClassCase{
                                    "FailThenConnect", {"192.0.2.2", "192.0.2.1:80"}, &kProblem}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(EngineFixture, MessageLineOnlyWhenTheMessageFieldIsNotEmpty) {
    loopBackAnswers();
    profile({{"Loop Back", {"127.0.0.1"}, " "}, {"Quiet", {}, ""}});
    engine.RunTests_Click();
    // The one-space placeholder still gives a line; an empty field gives none.
    EXPECT_TRUE(contains(w.Results1.text(),
                         "Test 1) Loop Back\r\n"
                         "            Successfully pinged 127.0.0.1 in 0 ms\r\n"
                         "            You can  \r\n\r\n"));
    EXPECT_TRUE(contains(w.Results1.text(), "Test 2) Quiet\r\n\r\n"));
    EXPECT_EQ(w.Status[1].text(), "passed");
}

// ---- The results text of whole runs under the display options ------------------------------

struct ThreeRows : EngineFixture {
    ThreeRows() {
        loopBackAnswers();
        probes.listens("192.0.2.1", 80);
        probes.names["mail.example"] = "192.0.2.25";
        profile({{"Loop Back", {"127.0.0.1"}, "ping this PC"},
                 {"Web", {"192.0.2.1:80"}, "reach the web"},
                 {"Mail", {"mail.example"}, "send mail"}});
    }
    const std::string loopBack =
        "Test 1) Loop Back\r\n"
        "            Successfully pinged 127.0.0.1 in 0 ms\r\n"
        "            You can ping this PC\r\n\r\n";
    const std::string web =
        "Test 2) Web\r\n"
        "            Successfully connected to 192.0.2.1:80\r\n"
        "            You can reach the web\r\n\r\n";
    const std::string mail =
        "Test 3) Mail\r\n"
        "            -- Resolved mail.example to 192.0.2.25\r\n"
        "!!!!!!!!!!! Ping failed for 192.0.2.25\r\n"
        "******** You can not send mail\r\n\r\n";
};

// Errors Only keeps a failed row with its header and blank line, and of a passing run only the
// start line; Simple Results keeps headers and message lines.
TEST_F(ThreeRows, EachDisplayOptionShapesTheWholeRunsText) {
    const std::vector<std::tuple<bool, bool, std::string>> cases{
        {false, false, started() + loopBack + web + mail},
        {false, true,
         "\r\nTest 1) Loop Back\r\n            You can ping this PC\r\n\r\n"
         "Test 2) Web\r\n            You can reach the web\r\n\r\n"
         "Test 3) Mail\r\n******** You can not send mail\r\n\r\n"},
        {true, false,
         started() + "Test 3) Mail\r\n!!!!!!!!!!! Ping failed for 192.0.2.25\r\n"
                     "******** You can not send mail\r\n\r\n"},
        {true, false, started()}};  // the mail server answers now
    for (const auto& [errorsOnly, simple, text] : cases) {
        if (&text == &std::get<2>(cases.back()))
            probes.answers("192.0.2.25");
        w.ErrorsOnly.setValue(errorsOnly);
        w.SimpleMessage.setValue(simple);
        w.Results1.setText("old text");
        engine.RunTests_Click();
        EXPECT_EQ(w.Results1.text(), text);
        EXPECT_EQ(w.Results1.caret(), w.Results1.text().size());
    }
}

// A fresh fixture: a passing run leaves its held headers for the next run's first line.
TEST_F(ThreeRows, ErrorsOnlyProblemRowHasItsHeadersButNoBlankLine) {
    w.ErrorsOnly.setValue(true);
    probes.names["mail2.example"] = "192.0.2.26";
    probes.answers("192.0.2.26");
    session.Table.at(0, 2, 2) = "mail2.example";
    w.ContinuousLog.setValue(true);
    w.Results1.setText("");
    engine.RunTests_Click();
    EXPECT_EQ(w.Results1.text(), "\r\n   TESTS STARTED   " + now() +
                                     "\r\n\r\n"
                                     "---- PASS --- 1\r\n\r\n"
                                     "Test 3) Mail\r\n"
                                     "!!!!!!!!!!! Ping failed for 192.0.2.25\r\n"
                                     "!!!!!!!!!!! You may not be able to send mail\r\n");
}

TEST_F(ThreeRows, ContinuousLogGrowsWithAPassHeaderPerRun) {
    w.ContinuousLog.setValue(true);
    w.Results1.setText("");
    engine.RunTests_Click();
    const std::string first = "\r\n   TESTS STARTED   " + now() +
                              "\r\n\r\n---- PASS --- 1\r\n\r\n" + loopBack + web + mail;
    EXPECT_EQ(w.Results1.text(), first);
    // A continuous run: the countdown is running, so there is no new start line.
    w.Continuous.setValue(true);
    w.Timer2.setEnabled(true);
    engine.RunTests_Click();
    EXPECT_EQ(w.Results1.text(), first + "---- PASS --- 2\r\n\r\n" + loopBack + web + mail);
}

// The box is full when a run leaves more than 60000 characters in it: not at 60000.
class ResultsLimit : public ThreeRows, public ::testing::WithParamInterface<int> {};

TEST_P(ResultsLimit, MoreThan60000CharactersStopsWithTheMessage) {
    const int over = GetParam();
    w.ContinuousLog.setValue(true);
    w.Results1.setText("");
    engine.RunTests_Click();
    const std::size_t oneRun = w.Results1.text().size();

    w.Continuous.setValue(true);
    w.Results1.setText(std::string(60000 + over - oneRun, 'x'));
    engine.RunTests_Click();

    const bool full = over > 0;
    EXPECT_EQ(prompt.messages.size(), full ? 1U : 0U);
    if (full) {
        EXPECT_EQ(prompt.messages[0],
                  (ui::Message{"Zelto", "The results text box is full.  Will now stop",
                               ui::Buttons::Ok}));
        EXPECT_TRUE(w.Results1.text().ends_with("TESTS STOPPED   " + now() + "\r\n"));
        EXPECT_EQ(w.TestStatus.text(), "STOPPED");
        EXPECT_FALSE(w.Timer2.enabled());
    } else {
        EXPECT_EQ(w.TestStatus.text(), "COMPLETED");
        EXPECT_TRUE(w.Timer2.enabled());
    }
    EXPECT_EQ(w.Results1.caret(), w.Results1.text().size());
}

INSTANTIATE_TEST_SUITE_P(Boundary, ResultsLimit, Values(-1, 0, 1));

// ---- Run numbers -------------------------------------------------------------------------------

TEST_F(EngineFixture, RunNumberCountsTo999ThenStartsAgainAt0) {
    loopBackAnswers();
    profile({{"Loop Back", {"127.0.0.1"}}, {"Off", {"192.0.2.1"}, " ", false}});
    w.Passes[1].setText(" 7");
    session.Run.PassCount = 998;
    engine.RunTests_Click();
    EXPECT_EQ(w.Passes[10].text(), " 999");
    engine.RunTests_Click();
    EXPECT_EQ(session.Run.PassCount, 0);
    EXPECT_EQ(w.Passes[10].text(), " 0");
    // An unchecked row is shown again with its old count, and nothing of it runs.
    EXPECT_EQ(w.Passes[1].text(), " 7");
    EXPECT_TRUE(w.Passes[1].visible());
    EXPECT_FALSE(contains(w.Results1.text(), "2) Off"));
}

// ---- End of a run: countdown, menu, tray tip ---------------------------------------------------

TEST_F(EngineFixture, SingleRunEndsStoppedAContinuousOneStartsTheCorrectedCountdown) {
    loopBackAnswers();
    profile({{"Loop Back", {"127.0.0.1"}}});
    engine.RunTests_Click();
    EXPECT_FALSE(w.btnStopTest.visible());
    EXPECT_TRUE(w.mnuStop.checked());
    EXPECT_FALSE(w.Timer2.enabled());

    tray.calls.clear();
    w.Continuous.setValue(true);
    w.RunInterval.setText("90");
    engine.RunTests_Click();
    EXPECT_EQ(w.RunInterval.text(), "65");
    EXPECT_EQ(engine.CountdownSeconds(), 65);
    EXPECT_TRUE(w.Timer2.enabled());
    EXPECT_TRUE(w.btnStopTest.visible());
    EXPECT_TRUE(w.mnuStart.checked());
    EXPECT_EQ(tray.calls, std::vector<std::string>{"icon 103 Running-Last pass OK at " + time()});
}

TEST_F(EngineFixture, NoAddressOnThisPcIsSummarisedAndWatchedAnAddressStopsTheWatch) {
    for (const std::string pc : {"", "127.0.0.1", "192.0.2.10"}) {
        probes.names[" "] = pc;
        tray.calls.clear();
        loopBackAnswers();
        profile({{"Loop Back", {"127.0.0.1"}}, {"Bad", {"192.0.2.8"}}});
        engine.RunTests_Click();
        const bool none = pc != "192.0.2.10";
        EXPECT_EQ(w.current_ip.text(), none ? "Blank! Press cross for help" : pc);
        EXPECT_EQ(w.Help1[8].visible(), none);
        EXPECT_EQ(w.Timer1.enabled(), none);
        // The failed row still makes the light red, but the tip speaks of the address only.
        EXPECT_EQ(tray.calls,
                  std::vector<std::string>{"icon 101 Stopped-" +
                                           (none ? "No IP Address" : session.Run.RunSummary) +
                                           " at " + time()});
    }
    // The run leaves the address of the last item tested.
    EXPECT_EQ(session.LocalIP, "192.0.2.8");
}

// ---- The tray after a run: balloon once per spell of failures while in the tray ---------------

struct InTray : EngineFixture {
    InTray() {
        loopBackAnswers();
        profile({{"Loop Back", {"127.0.0.1"}}, {"Web", {"192.0.2.1"}}});
        w.Continuous.setValue(true);
        w.window.setState(ui::WindowState::Minimised);
    }
    std::vector<std::string> run(bool fromTimer, bool webAnswers) {
        if (webAnswers)
            probes.answers("192.0.2.1");
        else
            probes.pings.erase("192.0.2.1");
        if (fromTimer)
            session.Run.RunSource = "Timer";
        tray.calls.clear();
        engine.RunTests_Click();
        EXPECT_TRUE(session.Run.RunSource.empty());
        return tray.calls;
    }
    std::string failedTip() const { return "Running-2) Web-failed  at " + time(); }
    std::string red() const { return "icon 101 " + failedTip(); }
    std::string balloon() const { return "balloon [] [" + failedTip() + "] 1 [Network problem] 3"; }
};

TEST_F(InTray, FirstFailingRunRaisesTheBalloonTheSecondNothingMoreLaterOnesTheRedIconAgain) {
    using V = std::vector<std::string>;
    EXPECT_EQ(run(false, false), (V{red(), balloon()}));
    EXPECT_EQ(run(true, false), (V{red()}));
    EXPECT_TRUE(session.Run.FailureRepeated);
    EXPECT_EQ(run(true, false), (V{red(), red()}));
    EXPECT_EQ(run(true, false), (V{red(), red()}));
    // A passing run ends the spell: the next failure raises the balloon again.
    EXPECT_EQ(run(true, true), (V{"icon 103 Running-Last pass OK at " + time()}));
    EXPECT_FALSE(session.Run.BalloonShown);
    EXPECT_EQ(run(true, false), (V{red(), balloon()}));
}

// A run the user starts begins a new spell; a problem row keeps the spell and shows amber; no
// balloon while the window is shown.
TEST_F(InTray, UserRunsProblemRowsAndAShownWindow) {
    using V = std::vector<std::string>;
    EXPECT_EQ(run(true, false), (V{red(), balloon()}));
    EXPECT_EQ(run(false, false), (V{red(), balloon()}));
    session.Table.at(0, 1, 2) = "127.0.0.1";  // one item answers, one does not
    EXPECT_EQ(run(true, false), (V{"icon 102 Running-2) Web-problem  at " + time()}));
    EXPECT_TRUE(session.Run.BalloonShown);

    session.Table.at(0, 1, 2) = profiles::kBlank;
    w.window.setState(ui::WindowState::Normal);
    EXPECT_EQ(run(false, true), (V{"icon 103 Running-Last pass OK at " + time()}));
    EXPECT_EQ(run(true, false), V{red()});
    EXPECT_EQ(run(true, false), V{red()});
    EXPECT_FALSE(session.Run.BalloonShown);
}

struct BeepCase {
    const char* name;
    bool beepIfFailed, beepIfPassed, continuous;
    bool webAnswers, webProblem;
    int beeps;
};

class BeepAndShow : public InTray, public ::testing::WithParamInterface<BeepCase> {};

TEST_P(BeepAndShow, BeepsAndRestoresTheWindowOnlyWhenMinimisedAndContinuous) {
    const BeepCase& c = GetParam();
    w.BeepIfFailed.setValue(c.beepIfFailed);
    w.BeepifPassed.setValue(c.beepIfPassed);
    w.Continuous.setValue(c.continuous);
    if (c.webProblem)
        session.Table.at(0, 1, 2) = "127.0.0.1";
    const auto calls = run(true, c.webAnswers);
    EXPECT_EQ(prompt.beeps, c.beeps);
    const bool shown = c.beeps > 0;
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "show"), shown ? 1 : 0);
    EXPECT_EQ(w.window.state(), shown ? ui::WindowState::Normal : ui::WindowState::Minimised);
    // Back on screen before the end of the run: no balloon.
    if (shown) {
        EXPECT_EQ(std::count(calls.begin(), calls.end(), balloon()), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Options, BeepAndShow,
    Values(BeepCase{"FailedRow", true, false, true, false, false, 1},
           // Loop Back passes first: the window comes back then, so the beep sounds once.
           BeepCase{"PassedRows", false, true, true, true, false, 1},
           BeepCase{"PassedRowWithFailedOption", true, false, true, true, false, 0},
           BeepCase{"ProblemRowNeverBeeps", true, false, true, false, true, 0},
           BeepCase{"NotContinuous", true, false, false, false, false, 0}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace zelto::test
