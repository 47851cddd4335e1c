#include "run/Engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "support/EngineRig.h"

namespace zelto::test {
namespace {

using V = std::vector<std::string>;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Every combination of the two item flags, with and without a message: the row's status,
// colour, cross and message line, and the light the tray shows after the run.
TEST_F(EngineFixture, RowsAreClassifiedByWhatTheirItemsDid) {
    struct Outcome {
        std::string status;
        ui::Color color;
        std::string tip;
    };
    const Outcome passed{"passed", ui::kGreen, "icon 103 Stopped-Last pass OK"},
        failed{"failed. Click cross", ui::kRed, "icon 101 Stopped-2) Web-failed "},
        problem{"problem", ui::kOlive, "icon 102 Stopped-2) Web-problem "};
    const std::string mayNot = "!!!!!!!!!!! You may not be able to reach it\r\n";
    struct Case {
        V items;
        std::string message, line;
        const Outcome& outcome;
    };
    loopBackAnswers();
    probes.answers("192.0.2.1");
    probes.listens("192.0.2.1", 80);
    for (const Case& c :
         {Case{{"192.0.2.1"}, "reach it", "            You can reach it\r\n", passed},
          Case{{}, "", "Test 2) Web\r\n\r\n", passed},
          Case{{"192.0.2.2"}, " ", "******** You can not  \r\n", failed},
          Case{{"192.0.2.2:80"}, "reach it", "******** You can not reach", failed},
          Case{{"192.0.2.1", "192.0.2.2"}, "reach it", mayNot, problem},
          Case{{"192.0.2.2", "192.0.2.1:80"}, "reach it", mayNot, problem}}) {
        tray.calls.clear();
        profile({{"Loop Back", {"127.0.0.1"}}, {"Web", c.items, c.message}});
        engine.RunTests_Click();
        EXPECT_EQ(w.Status[1].text(), c.outcome.status);
        EXPECT_EQ(w.Status[1].color(), c.outcome.color);
        EXPECT_EQ(w.Help1[1].visible(), &c.outcome != &passed);
        EXPECT_TRUE(contains(w.Results1.text(), c.line)) << w.Results1.text();
        EXPECT_EQ(tray.calls, V{c.outcome.tip + " at " + time()});
        EXPECT_EQ(w.TestStatus.text(), "COMPLETED");
    }
}

struct ThreeRows : EngineFixture {
    ThreeRows() {
        loopBackAnswers();
        probes.listens("192.0.2.1", 80);
        probes.names["mail.example"] = "192.0.2.25";
        profile({{"Loop Back", {"127.0.0.1"}, "ping this PC"},
                 {"Web", {"192.0.2.1:80"}, "reach the web"},
                 {"Mail", {"mail.example"}, "send mail"}});
    }
    const std::string rows =
        "Test 1) Loop Back\r\n            Successfully pinged 127.0.0.1 in 0 ms\r\n"
        "            You can ping this PC\r\n\r\n"
        "Test 2) Web\r\n            Successfully connected to 192.0.2.1:80\r\n"
        "            You can reach the web\r\n\r\n"
        "Test 3) Mail\r\n            -- Resolved mail.example to 192.0.2.25\r\n"
        "!!!!!!!!!!! Ping failed for 192.0.2.25\r\n******** You can not send mail\r\n\r\n";
};

// Errors Only keeps a failed row with its header and blank line, and of a passing run only the
// start line; Simple Results keeps headers and message lines.
TEST_F(ThreeRows, EachDisplayOptionShapesTheWholeRunsText) {
    const std::string mailFails =
        "Test 3) Mail\r\n!!!!!!!!!!! Ping failed for 192.0.2.25\r\n"
        "******** You can not send mail\r\n\r\n";
    struct Case {
        bool errorsOnly, simple;
        std::string text;
    };
    const std::vector<Case> cases{
        {false, false, started() + rows},
        {false, true,
         "\r\nTest 1) Loop Back\r\n            You can ping this PC\r\n\r\n"
         "Test 2) Web\r\n            You can reach the web\r\n\r\n"
         "Test 3) Mail\r\n******** You can not send mail\r\n\r\n"},
        {true, false, started() + mailFails},
        {true, false, started()}};  // the mail server answers now
    for (const Case& c : cases) {
        if (&c == &cases.back())
            probes.answers("192.0.2.25");
        w.ErrorsOnly.setValue(c.errorsOnly);
        w.SimpleMessage.setValue(c.simple);
        w.Results1.setText("old text");
        engine.RunTests_Click();
        EXPECT_EQ(w.Results1.text(), c.text);
        EXPECT_EQ(w.Results1.caret(), w.Results1.text().size());
    }
}

// The log grows by a pass header per run, with no new start line while the countdown runs;
// under Errors Only a passing run's header waits for the next failure, and a problem row has
// its headers but no blank line.
TEST_F(ThreeRows, ContinuousLogKeepsEveryRunWithAPassHeader) {
    w.ContinuousLog.setValue(true);
    w.Results1.setText("");
    engine.RunTests_Click();
    const std::string first = "\r\n   TESTS STARTED   " + now() + "\r\n\r\n---- PASS --- 1\r\n\r\n";
    EXPECT_EQ(w.Results1.text(), first + rows);
    w.Continuous.setValue(true);
    w.Timer2.setEnabled(true);
    engine.RunTests_Click();
    EXPECT_EQ(w.Results1.text(), first + rows + "---- PASS --- 2\r\n\r\n" + rows);

    probes.answers("192.0.2.25");
    w.ErrorsOnly.setValue(true);
    w.Results1.setText("");
    engine.RunTests_Click();
    probes.names["mail2.example"] = "192.0.2.26";
    probes.pings.erase("192.0.2.25");
    probes.answers("192.0.2.26");
    session.Table.at(0, 2, 2) = "mail2.example";
    engine.RunTests_Click();
    EXPECT_EQ(w.Results1.text(),
              "---- PASS --- 4\r\n\r\nTest 3) Mail\r\n"
              "!!!!!!!!!!! Ping failed for 192.0.2.25\r\n"
              "!!!!!!!!!!! You may not be able to send mail\r\n");
}

// The box is full when a run leaves more than 60000 characters in it: not at 60000.
TEST_F(ThreeRows, MoreThan60000CharactersStopsWithTheMessage) {
    w.ContinuousLog.setValue(true);
    w.Continuous.setValue(true);
    engine.RunTests_Click();
    w.Results1.setText("");
    engine.RunTests_Click();  // the countdown runs: no start line from now on
    const std::size_t oneRun = w.Results1.text().size();
    for (const std::size_t over : {0U, 1U}) {
        w.Results1.setText(std::string(60000 + over - oneRun, 'x'));
        engine.RunTests_Click();
        EXPECT_EQ(prompt.messages.size(), over);
        EXPECT_EQ(w.TestStatus.text(), over ? "STOPPED" : "COMPLETED");
        EXPECT_EQ(w.Timer2.enabled(), over == 0);
        EXPECT_EQ(w.Results1.caret(), w.Results1.text().size());
    }
    EXPECT_EQ(
        prompt.messages.at(0),
        (ui::Message{"Zelto", "The results text box is full.  Will now stop", ui::Buttons::Ok}));
    EXPECT_TRUE(w.Results1.text().ends_with("TESTS STOPPED   " + now() + "\r\n"));
}

TEST_F(EngineFixture, RunNumberCountsTo999ThenStartsAgainAt0) {
    loopBackAnswers();
    profile({{"Loop Back", {"127.0.0.1"}}, {"Off", {"192.0.2.1"}, " ", false}});
    w.Passes[1].setText(" 7");
    session.Run.PassCount = 998;
    engine.RunTests_Click();
    EXPECT_EQ(w.Passes[10].text(), " 999");
    engine.RunTests_Click();
    EXPECT_EQ(w.Passes[10].text(), " 0");
    // An unchecked row is shown again with its old count, and nothing of it runs.
    EXPECT_EQ(w.Passes[1].text(), " 7");
    EXPECT_TRUE(w.Passes[1].visible());
    EXPECT_FALSE(contains(w.Results1.text(), "2) Off"));
}

TEST_F(EngineFixture, NoAddressOnThisPcIsSummarisedAndWatched) {
    for (const std::string pc : {"", "127.0.0.1", "192.0.2.10"}) {
        probes.names[" "] = pc;
        tray.calls.clear();
        loopBackAnswers();
        profile({{"Loop Back", {"127.0.0.1"}}, {"Bad", {"192.0.2.8"}}});
        engine.RunTests_Click();
        const bool none = pc != "192.0.2.10";
        EXPECT_EQ(w.current_ip.text(), none ? "Blank! Press cross for help" : pc);
        EXPECT_EQ(w.Timer1.enabled(), none);
        // The failed row still makes the light red, but the tip speaks of the address only.
        EXPECT_EQ(tray.calls,
                  V{"icon 101 Stopped-" + (none ? "No IP Address" : session.Run.RunSummary) +
                    " at " + time()});
    }
}

// ---- Which items are tested ---------------------------------------------------------------

// The probe calls of a run after the lookup of this PC's own address.
V itemCalls(FakeNetworkServices& probes) {
    auto calls = probes.calls();
    std::erase(calls, std::string("lookup  "));
    return calls;
}

// The Loop Back banner in the last field and the items after a blank are never tested.
TEST_F(EngineFixture, TheLoopBackBannerAndItemsAfterABlankAreNeverTested) {
    loopBackAnswers();
    probes.answers("192.0.2.1");
    profile({{"Loop Back", {"127.0.0.1", "127.0.0.1", "127.0.0.1", "Welcome aboard"}},
             {"Web", {"192.0.2.1", "Blank!", "192.0.2.3"}}});
    engine.RunTests_Click();
    EXPECT_EQ(itemCalls(probes),
              (V{"ping 127.0.0.1", "ping 127.0.0.1", "ping 127.0.0.1", "ping 192.0.2.1"}));
    EXPECT_FALSE(contains(w.Results1.text(), "Welcome")) << w.Results1.text();
    EXPECT_EQ(w.Status[1].text(), "passed");
}

// A failed Loop Back means this PC's own stack is broken: a dotted item with a port is failed
// without a line or a connect. The same item by host name still connects.
TEST_F(EngineFixture, FailedLoopBackSkipsDottedConnectsButNotNamedOnes) {
    probes.names["web.example"] = "192.0.2.1";
    probes.listens("192.0.2.1", 80);
    profile({{"Loop Back", {"127.0.0.1"}}, {"Web", {"192.0.2.1:80", "web.example:80"}}});
    engine.RunTests_Click();
    EXPECT_EQ(itemCalls(probes),
              (V{"ping 127.0.0.1", "lookup web.example", "connect 192.0.2.1:80"}));
    EXPECT_TRUE(contains(w.Results1.text(),
                         "Test 2) Web\r\n"
                         "            -- Resolved web.example to 192.0.2.1\r\n"
                         "            Successfully connected to 192.0.2.1:80\r\n"
                         "!!!!!!!!!!! You may not be able to  \r\n"));
}

TEST_F(EngineFixture, ItemsThatCannotBeTestedFailWithExactlyOneLineAndNoProbe) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"autoconfig", "Autoconfig was unable to get the IP address for 2) Gateway"},
        {"Learn&Save",
         "Learn&Save runs on program start. Either it was just set or was unable "
         "to get the IP address for test 2) Gateway on startup"},
        {"nowhere.example:25", "Unable to get the IP address for nowhere.example"},
        {"192.0.2.1:0", "Unable to get the IP address for 192.0.2.1:0"}};
    loopBackAnswers();
    for (const auto& [item, line] : cases) {
        profile({{"Loop Back", {"127.0.0.1"}}, {"Gateway", {item}}});
        engine.RunTests_Click();
        EXPECT_TRUE(contains(w.Results1.text(), "Test 2) Gateway\r\n!!!!!!!!!!! " + line +
                                                    "\r\n******** You can not  \r\n"))
            << w.Results1.text();
        EXPECT_EQ(session.Table.at(0, 1, 1), item);  // autoconfig goes back even unfilled
    }
    EXPECT_EQ(itemCalls(probes),
              (V{"ping 127.0.0.1", "ping 127.0.0.1", "ping 127.0.0.1", "lookup nowhere.example",
                 "ping 127.0.0.1", "lookup 192.0.2.1:0"}));
}

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
    EXPECT_EQ(w.Status[2].text(), "passed");

    net.adapter(1, "198.51.100.10", {"198.51.100.1"});
    engine.RunTests_Click();
    EXPECT_EQ(session.Table.at(0, 1, 1), "autoconfig");
    auto calls = itemCalls(probes);
    std::sort(calls.begin(), calls.end());
    EXPECT_EQ(calls, (V{"ping 127.0.0.1", "ping 127.0.0.1", "ping 192.0.2.1", "ping 192.0.2.2",
                        "ping 192.0.2.53", "ping 192.0.2.53", "ping 198.51.100.1"}));
    EXPECT_EQ(net.modes, (V{"gateway", "gateway"}));
}

// ---- The tray after a run: balloon once per spell of failures while in the tray ---------------

struct InTray : EngineFixture {
    InTray() {
        loopBackAnswers();
        profile({{"Loop Back", {"127.0.0.1"}}, {"Web", {"192.0.2.1"}}});
        w.Continuous.setValue(true);
        w.window.setState(ui::WindowState::Minimised);
    }
    V run(bool fromTimer, bool webAnswers) {
        if (webAnswers)
            probes.answers("192.0.2.1");
        else
            probes.pings.erase("192.0.2.1");
        if (fromTimer)
            session.Run.RunSource = "Timer";
        tray.calls.clear();
        engine.RunTests_Click();
        return tray.calls;
    }
    const std::string red = "icon 101 Running-2) Web-failed  at " + time();
    const std::string balloon =
        "balloon [] [Running-2) Web-failed  at " + time() + "] 1 [Network problem] 3";
    const std::string green = "icon 103 Running-Last pass OK at " + time();
};

// A passing run or one the user starts begins a new spell; a problem row keeps the spell and
// shows amber; no balloon while the window is shown.
TEST_F(InTray, TheBalloonComesOncePerSpellOfFailures) {
    EXPECT_EQ(run(false, false), (V{red, balloon}));
    EXPECT_EQ(run(true, false), (V{red}));
    EXPECT_EQ(run(true, false), (V{red, red}));
    EXPECT_EQ(run(true, true), (V{green}));
    EXPECT_EQ(run(true, false), (V{red, balloon}));
    EXPECT_EQ(run(false, false), (V{red, balloon}));
    session.Table.at(0, 1, 2) = "127.0.0.1";  // one item answers, one does not
    EXPECT_EQ(run(true, false), (V{"icon 102 Running-2) Web-problem  at " + time()}));
    session.Table.at(0, 1, 2) = profiles::kBlank;
    EXPECT_EQ(run(true, false), (V{red}));  // the spell goes on
    w.window.setState(ui::WindowState::Normal);
    EXPECT_EQ(run(false, true), (V{green}));
    EXPECT_EQ(run(true, false), V{red});
    EXPECT_EQ(run(true, false), V{red});
}

// The beep options sound and bring the window back only when minimised and continuous; back on
// screen before the end of the run, there is no balloon.
TEST_F(InTray, BeepsAndRestoresTheWindowAsTheOptionsSay) {
    struct Case {
        bool beepIfFailed, beepIfPassed, continuous, webAnswers, webProblem;
        int beeps;
    };
    for (const Case& c :
         {Case{true, false, true, false, false, 1},
          // Loop Back passes first: the window comes back then, one beep.
          Case{false, true, true, true, false, 1}, Case{true, false, true, true, false, 0},
          Case{true, false, true, false, true, 0},  // a problem row never beeps
          Case{true, false, false, false, false, 0}}) {
        prompt.beeps = 0;
        w.window.setState(ui::WindowState::Minimised);
        w.BeepIfFailed.setValue(c.beepIfFailed);
        w.BeepifPassed.setValue(c.beepIfPassed);
        w.Continuous.setValue(c.continuous);
        session.Table.at(0, 1, 2) = c.webProblem ? "127.0.0.1" : profiles::kBlank;
        const V calls = run(true, c.webAnswers);
        EXPECT_EQ(prompt.beeps, c.beeps);
        const bool shown = c.beeps > 0;
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "show"), shown ? 1 : 0);
        EXPECT_EQ(w.window.state(), shown ? ui::WindowState::Normal : ui::WindowState::Minimised);
        EXPECT_FALSE(shown && std::count(calls.begin(), calls.end(), balloon) > 0);
    }
}

// ---- Stop -------------------------------------------------------------------------------------

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct StopFixture : EngineFixture {
    StopFixture() {
        w.window.setIcon(run::kIconPassed);
        loopBackAnswers();
        probes.answers("192.0.2.3");
    }
    /// Runs, pressing Stop `after` into the run; returns how long the run took.
    Clock::duration runAndStopAfter(std::chrono::milliseconds after) {
        pump.during(after, [this] { engine.btnStopTest_Click(); });
        const auto start = Clock::now();
        engine.RunTests_Click();
        return Clock::now() - start;
    }
    void expectStoppedOnRow(int row) {
        EXPECT_EQ(w.Status[row].text(), "Stopped");
        EXPECT_EQ(w.TestStatus.text(), "STOPPED");
        EXPECT_EQ(session.Run.ConnectState, profiles::kWaiting);
        EXPECT_TRUE(contains(w.Results1.text(), "TESTS STOPPED   " + now() + "\r\n"));
        // Stop sets its own tip on the current icon; the end-of-run tray update is not made.
        EXPECT_EQ(tray.calls, V{"icon 103 Stopped- at " + time()});
        EXPECT_FALSE(engine.running());
    }
};

// Stop during a connect or a ping ends the run and its countdown at once; the probe cut short
// writes no failure line.
TEST_F(StopFixture, StopDuringAProbeWaitEndsTheRunAtOnceWithoutAFailureLine) {
    probes.pings["192.0.2.5"] = {probes::kPingCancelled, "", std::nullopt};
    probes.pauses = {{"connect 192.0.2.1:80", 20s}, {"ping 192.0.2.5", 20s}};
    for (const std::string item : {"192.0.2.1:80", "192.0.2.5"}) {
        tray.calls.clear();
        profile(
            {{"Loop Back", {"127.0.0.1"}}, {"Web", {item, "192.0.2.3"}}, {"Next", {"192.0.2.3"}}});
        w.Continuous.setValue(true);
        w.Timer2.setEnabled(true);
        EXPECT_LT(runAndStopAfter(100ms), 5s) << item;
        expectStoppedOnRow(1);
        EXPECT_FALSE(w.Timer2.enabled());
        EXPECT_FALSE(contains(w.Results1.text(), "!!!")) << w.Results1.text();
        EXPECT_EQ(w.Status[2].text(), "Not run");
    }
}

// Stop pressed once a row has finished, or once an item has been read, takes effect before the
// next row or item: what finished keeps its outcome. A Stop between runs is forgotten.
TEST_F(StopFixture, StopBetweenRowsOrItemsEndsTheRunThere) {
    probes.answers("192.0.2.4");
    std::function<bool()> when;
    auto check = [&] {
        if (when && when()) {
            when = nullptr;
            engine.btnStopTest_Click();
        }
    };
    w.Status[1].changed.connect(check);
    w.Results1.changed.connect(check);
    profile({{"Loop Back", {"127.0.0.1"}}, {"Empty", {}}, {"Next", {"192.0.2.3"}}});
    when = [this] { return w.Status[1].text() == "passed"; };
    engine.RunTests_Click();
    EXPECT_EQ(w.Status[1].text(), "passed");
    EXPECT_EQ(w.TestStatus.text(), "STOPPED");
    EXPECT_FALSE(contains(w.Results1.text(), "Test 3) Next"));
    EXPECT_FALSE(w.Status[2].visible());

    profile({{"Loop Back", {"127.0.0.1"}}, {"Two", {"192.0.2.3", "192.0.2.4"}}});
    when = [this] { return contains(w.Results1.text(), "pinged 192.0.2.3"); };
    engine.RunTests_Click();
    EXPECT_EQ(w.TestStatus.text(), "STOPPED");
    EXPECT_FALSE(contains(w.Results1.text(), "192.0.2.4")) << w.Results1.text();

    profile({{"Loop Back", {"127.0.0.1"}}});
    engine.btnStopTest_Click();
    engine.RunTests_Click();
    EXPECT_EQ(w.TestStatus.text(), "COMPLETED");
}

TEST_F(StopFixture, StartRequestDuringARunIsIgnored) {
    probes.listens("192.0.2.1", 80, 300ms);
    profile({{"Loop Back", {"127.0.0.1"}}, {"Web", {"192.0.2.1:80"}}});
    bool wasRunning = false;
    pump.during(50ms, [this, &wasRunning] {
        wasRunning = engine.running();
        engine.RunTests_Click();
    });
    engine.RunTests_Click();
    EXPECT_TRUE(wasRunning);
    EXPECT_EQ(session.Run.PassCount, 1);
}

// The address watch runs during a run's waits and moves LocalIP: the connect line must still
// name the address that was connected to.
TEST_F(EngineFixture, AddressFoundDuringAConnectLeavesTheConnectLineItsAddress) {
    probes.names[" "] = "";
    loopBackAnswers();
    probes.listens("192.0.2.1", 80, 300ms);
    profile({{"Loop Back", {"127.0.0.1"}}, {"Web", {"192.0.2.1:80"}}});
    pump.during(100ms, [this] {
        probes.names[" "] = "192.0.2.10";
        w.current_ip.setVisible(true);  // hidden by the blink, then shown for good
        engine.Timer1_Timer();
    });
    engine.RunTests_Click();
    EXPECT_TRUE(
        contains(w.Results1.text(), "            Successfully connected to 192.0.2.1:80\r\n"))
        << w.Results1.text();
    EXPECT_FALSE(w.Timer1.enabled());
    EXPECT_EQ(w.current_ip.text(), "192.0.2.10     Run Tests again");
    EXPECT_TRUE(w.current_ip.visible());
}

}  // namespace
}  // namespace zelto::test
