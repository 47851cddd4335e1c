#include <algorithm>
#include <random>

#include "support/EngineRig.h"

namespace zelto::test {
namespace {

using namespace std::chrono_literals;
using V = std::vector<std::string>;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// One run of every kind of row, at one to four probes in flight, the probes answering in
// another order each time: the whole text as the rows' order has it, each row's status, colour
// and cross, and what was probed: never the Loop Back banner nor items after a blank, nothing
// of an unchecked row. An item that cannot be tested fails with one line and no probe and goes
// back into its field as it was (autoconfig even unfilled). After a failed Loop Back a connect
// by address is failed untried, one by name is not.
TEST(Engine, RowsAreClassifiedByWhatTheirItemsDidWhateverOrderTheyAnswerIn) {
    const std::string pinged = "            Successfully pinged ";
    const std::string failed = "******** You can not  \r\n\r\n";
    for (unsigned seed = 0; seed < 20; ++seed) {
        SCOPED_TRACE(seed);
        EngineRig<FakeNetworkServices> rig;
        auto& probes = rig.probes;
        auto& w = rig.w;
        std::mt19937 random(seed);
        for (const char* call : {"ping 127.0.0.1", "ping 192.0.2.1", "ping 192.0.2.2",
                                 "ping 192.0.2.25", "connect 192.0.2.1:80", "lookup mail.example",
                                 "lookup nowhere.example", "lookup web.example"})
            probes.pauses[call] = std::chrono::milliseconds(random() % 6);
        rig.engine.setMaxInFlight(1 + seed % 4);
        probes.answers("192.0.2.1");
        probes.listening = {"192.0.2.1:80"};
        probes.names["mail.example"] = "192.0.2.25";
        rig.profile({{"Loop Back", {"127.0.0.1", "127.0.0.1", "127.0.0.1", "Welcome aboard"}},
                     {"Web", {"192.0.2.1:80", "Blank!", "192.0.2.3"}, "reach the web"},
                     {"Mail", {"mail.example"}},
                     {"Mixed", {"192.0.2.1", "192.0.2.2"}, "reach it"},
                     {"Quiet", {"192.0.2.1"}, ""},
                     {"Gateway", {"autoconfig"}},
                     {"Names", {"Learn&Save", "nowhere.example:25"}},
                     {"Off", {"192.0.2.1"}, " ", false}});
        w.Passes[7].setText(" 7");
        rig.engine.RunTests_Click();
        EXPECT_EQ(
            w.Results1.text(),
            "\r\n\r\n   TESTS STARTED   " + rig.now() + "\r\n\r\nTest 1) Loop Back\r\n" + pinged +
                "127.0.0.1 in 0 ms\r\n" + pinged + "127.0.0.1 in 0 ms\r\n" + pinged +
                "127.0.0.1 in 0 ms\r\n            You can  \r\n\r\nTest 2) Web\r\n"
                "            Successfully connected to 192.0.2.1:80\r\n"
                "            You can reach the web\r\n\r\nTest 3) Mail\r\n"
                "            -- Resolved mail.example to 192.0.2.25\r\n"
                "!!!!!!!!!!! Ping failed for 192.0.2.25\r\n" +
                failed + "Test 4) Mixed\r\n" + pinged +
                "192.0.2.1 in 0 ms\r\n!!!!!!!!!!! Ping failed for 192.0.2.2\r\n"
                "!!!!!!!!!!! You may not be able to reach it\r\n\r\nTest 5) Quiet\r\n" +
                pinged +
                "192.0.2.1 in 0 ms\r\n\r\nTest 6) Gateway\r\n"
                "!!!!!!!!!!! Autoconfig was unable to get the IP address for 6) Gateway\r\n" +
                failed +
                "Test 7) Names\r\n!!!!!!!!!!! Learn&Save runs on program start. Either "
                "it was just set or was unable to get the IP address for test 7) Names on "
                "startup\r\n!!!!!!!!!!! Unable to get the IP address for nowhere.example\r\n" +
                failed);
        std::string shown;
        for (int r = 0; r <= profiles::MaxTestRow; ++r)
            shown += w.Status[r].text() + (w.Help1[r].visible() ? " x|" : "|");
        EXPECT_EQ(shown,
                  "passed|passed|failed. Click cross x|problem x|passed|failed. Click cross "
                  "x|failed. Click cross x|Not run|");
        EXPECT_EQ(w.Status[1].color(), ui::kGreen);
        EXPECT_EQ(w.Status[2].color(), ui::kRed);
        EXPECT_EQ(w.Status[3].color(), ui::kOlive);
        auto calls = probes.calls();
        std::sort(calls.begin(), calls.end());
        EXPECT_EQ(calls,
                  (V{"connect 192.0.2.1:80", "lookup  ", "lookup mail.example",
                     "lookup nowhere.example", "ping 127.0.0.1", "ping 127.0.0.1", "ping 127.0.0.1",
                     "ping 192.0.2.1", "ping 192.0.2.1", "ping 192.0.2.2", "ping 192.0.2.25"}));
        EXPECT_EQ(rig.session.Table.at(0, 5, 1) + rig.session.Table.at(0, 6, 1),
                  "autoconfigLearn&Save");
        EXPECT_TRUE(w.Passes[7].visible() && w.Passes[7].text() == " 7");

        probes.pings.erase("127.0.0.1");
        probes.names["web.example"] = "192.0.2.1";
        rig.profile({{"Loop Back", {"127.0.0.1"}}, {"Web", {"192.0.2.1:80", "web.example:80"}}});
        rig.engine.RunTests_Click();
        EXPECT_TRUE(contains(w.Results1.text(),
                             "Test 2) Web\r\n            -- Resolved web.example to 192.0.2.1\r\n"
                             "            Successfully connected to 192.0.2.1:80\r\n"
                             "!!!!!!!!!!! You may not be able to  \r\n"))
            << w.Results1.text();
    }
}

struct ThreeRows : EngineFixture {
    ThreeRows() {
        probes.listening = {"192.0.2.1:80"};
        probes.names["mail.example"] = "192.0.2.25";
        profile({{"Loop Back", {"127.0.0.1"}, "ping this PC"},
                 {"Web", {"192.0.2.1:80"}, "reach the web"},
                 {"Mail", {"mail.example"}, "send mail"}});
    }
    const std::string started = "\r\n\r\n   TESTS STARTED   " + now() + "\r\n\r\n";
    const std::string rows =
        "Test 1) Loop Back\r\n            Successfully pinged 127.0.0.1 in 0 ms\r\n"
        "            You can ping this PC\r\n\r\n"
        "Test 2) Web\r\n            Successfully connected to 192.0.2.1:80\r\n"
        "            You can reach the web\r\n\r\n"
        "Test 3) Mail\r\n            -- Resolved mail.example to 192.0.2.25\r\n"
        "!!!!!!!!!!! Ping failed for 192.0.2.25\r\n******** You can not send mail\r\n\r\n";
};

// Errors Only keeps a failed row with its header and blank line, and of a passing row nothing;
// Simple Results keeps headers and message lines.
TEST_F(ThreeRows, EachDisplayOptionShapesTheWholeRunsText) {
    struct Case {
        bool errorsOnly, simple;
        std::string text;
    };
    for (const Case& c :
         std::vector<Case>{{false, false, started + rows},
                           {false, true,
                            "\r\nTest 1) Loop Back\r\n            You can ping this PC\r\n\r\n"
                            "Test 2) Web\r\n            You can reach the web\r\n\r\n"
                            "Test 3) Mail\r\n******** You can not send mail\r\n\r\n"},
                           {true, false,
                            started + "Test 3) Mail\r\n!!!!!!!!!!! Ping failed for 192.0.2.25\r\n"
                                      "******** You can not send mail\r\n\r\n"}}) {
        w.ErrorsOnly.setValue(c.errorsOnly);
        w.SimpleMessage.setValue(c.simple);
        w.Results1.setText("old text");
        engine.RunTests_Click();
        EXPECT_EQ(w.Results1.text(), c.text);
        EXPECT_EQ(w.Results1.caret(), w.Results1.text().size());
    }
}

// The log grows by a pass header per run, with no new start line while the countdown runs. The
// box is full when a run leaves more than 60000 characters in it: not at 60000.
TEST_F(ThreeRows, MoreThan60000CharactersStopsWithTheMessage) {
    w.ContinuousLog.setValue(true);
    w.Results1.setText("");
    engine.RunTests_Click();
    const std::string first = "\r\n   TESTS STARTED   " + now() + "\r\n\r\n---- PASS --- 1\r\n\r\n";
    EXPECT_EQ(w.Results1.text(), first + rows);
    w.Continuous.setValue(true);
    w.Timer2.setEnabled(true);
    engine.RunTests_Click();
    EXPECT_EQ(w.Results1.text(), first + rows + "---- PASS --- 2\r\n\r\n" + rows);
    const std::size_t oneRun = w.Results1.text().size() - first.size() - rows.size();
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
    profile({{"Loop Back", {"127.0.0.1"}}});
    session.Run.PassCount = 998;
    engine.RunTests_Click();
    EXPECT_EQ(w.Passes[10].text(), " 999");
    engine.RunTests_Click();
    EXPECT_EQ(w.Passes[10].text(), " 0");
}

// Without an address of its own (loopback is none) this PC is summarised so and watched. The
// watch runs during a run's waits and moves LocalIP: the connect line must still name the
// address that was connected to.
TEST_F(EngineFixture, NoAddressOnThisPcIsSummarisedAndWatched) {
    probes.listening = {"192.0.2.1:80"};
    profile({{"Loop Back", {"127.0.0.1"}}, {"Web", {"192.0.2.1:80", "192.0.2.8"}}});
    for (const std::string pc : {"", "127.0.0.1", "192.0.2.10"}) {
        probes.names[" "] = pc;
        tray.calls.clear();
        engine.RunTests_Click();
        const bool none = pc != "192.0.2.10";
        EXPECT_EQ(w.current_ip.text(), none ? "Blank! Press cross for help" : pc);
        EXPECT_EQ(w.Timer1.enabled(), none);
        EXPECT_EQ(tray.calls,
                  V{"icon 102 Stopped-" + (none ? "No IP Address" : session.Run.RunSummary) +
                    " at " + time()});
    }
    probes.names[" "] = "";
    probes.pauses["connect 192.0.2.1:80"] = 300ms;
    pump.during(100ms, [this] {
        probes.names[" "] = "192.0.2.10";
        w.current_ip.setVisible(true);  // hidden by the blink, then shown for good
        engine.Timer1_Timer();
    });
    engine.RunTests_Click();
    EXPECT_TRUE(contains(w.Results1.text(),
                         "Test 2) Web\r\n"
                         "            Successfully connected to 192.0.2.1:80"))
        << w.Results1.text();
    EXPECT_FALSE(w.Timer1.enabled());
    EXPECT_EQ(w.current_ip.text(), "192.0.2.10     Run Tests again");
    EXPECT_TRUE(w.current_ip.visible());
}

// One gather per run fills every autoconfig row afresh; the keywords go back for the next run.
TEST_F(EngineFixture, AutoconfigIsFilledAfreshOnEveryRunAndPutBack) {
    for (const char* a : {"192.0.2.1", "192.0.2.2", "192.0.2.53", "198.51.100.1"})
        probes.answers(a);
    profile({{"Loop Back", {"127.0.0.1"}}, {"Gateway", {"AutoConfig"}}, {"DNS", {"autoconfig"}}});
    net.snap.DnsServers[1] = "192.0.2.53";
    for (const V& gateways : {V{"192.0.2.1", "192.0.2.2"}, V{"198.51.100.1"}}) {
        net.adapter(1, "192.0.2.10", gateways);
        engine.RunTests_Click();
        EXPECT_EQ(session.Table.at(0, 1, 1) + session.Table.at(0, 2, 1), "autoconfigautoconfig");
    }
    auto calls = probes.calls();
    std::sort(calls.begin(), calls.end());
    EXPECT_EQ(calls,
              (V{"lookup  ", "lookup  ", "ping 127.0.0.1", "ping 127.0.0.1", "ping 192.0.2.1",
                 "ping 192.0.2.2", "ping 192.0.2.53", "ping 192.0.2.53", "ping 198.51.100.1"}));
    EXPECT_EQ(net.modes, (V{"gateway", "gateway"}));
}

// ---- The tray after a run: balloon once per spell of failures while in the tray ---------------

struct InTray : EngineFixture {
    InTray() {
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
};

// A passing run or one the user starts begins a new spell; a problem row keeps the spell and
// shows amber.
TEST_F(InTray, TheBalloonComesOncePerSpellOfFailures) {
    EXPECT_EQ(run(false, false), (V{red, balloon}));
    EXPECT_EQ(run(true, false), (V{red}));
    EXPECT_EQ(run(true, false), (V{red, red}));
    EXPECT_EQ(run(true, true), (V{"icon 103 Running-Last pass OK at " + time()}));
    EXPECT_EQ(run(true, false), (V{red, balloon}));
    EXPECT_EQ(run(false, false), (V{red, balloon}));
    session.Table.at(0, 1, 2) = "127.0.0.1";  // one item answers, one does not
    EXPECT_EQ(run(true, false), (V{"icon 102 Running-2) Web-problem  at " + time()}));
    session.Table.at(0, 1, 2) = profiles::kBlank;
    EXPECT_EQ(run(true, false), (V{red}));  // the spell goes on
}

// The beep options sound and bring the window back only when minimised and continuous; back on
// screen before the end of the run, there is no balloon.
TEST_F(InTray, BeepsAndRestoresTheWindowAsTheOptionsSay) {
    struct Case {
        bool beepIfFailed, beepIfPassed, continuous, webAnswers, webProblem;
        int beeps;
    };
    for (const Case& c : {Case{true, false, true, false, false, 1},
                          // Loop Back passes first: the window comes back then, one beep.
                          Case{false, true, true, true, false, 1},
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
        EXPECT_EQ(w.window.state(), shown ? ui::WindowState::Normal : ui::WindowState::Minimised);
        EXPECT_FALSE(shown && std::count(calls.begin(), calls.end(), balloon) > 0);
    }
}

// ---- Stop -------------------------------------------------------------------------------------

struct StopFixture : EngineFixture {
    StopFixture() { probes.answers("192.0.2.3"); }
};

// Stop during a connect or a ping ends the run and its countdown at once; the probe cut short
// writes no failure line. A start request meanwhile is ignored.
TEST_F(StopFixture, StopDuringAProbeWaitEndsTheRunAtOnceWithoutAFailureLine) {
    probes.pings["192.0.2.5"] = {probes::kPingCancelled, "", std::nullopt};
    probes.pauses = {{"connect 192.0.2.1:80", 20s}, {"ping 192.0.2.5", 20s}};
    for (const std::string item : {"192.0.2.1:80", "192.0.2.5"}) {
        tray.calls.clear();
        profile(
            {{"Loop Back", {"127.0.0.1"}}, {"Web", {item, "192.0.2.3"}}, {"Next", {"192.0.2.3"}}});
        w.Continuous.setValue(true);
        w.Timer2.setEnabled(true);
        pump.during(100ms, [this] {
            engine.RunTests_Click();
            engine.btnStopTest_Click();
        });
        const auto start = std::chrono::steady_clock::now();
        engine.RunTests_Click();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s) << item;
        EXPECT_EQ(w.Status[1].text(), "Stopped");
        EXPECT_EQ(w.TestStatus.text(), "STOPPED");
        EXPECT_TRUE(contains(w.Results1.text(), "TESTS STOPPED   " + now() + "\r\n"));
        EXPECT_FALSE(contains(w.Results1.text(), "!!!")) << w.Results1.text();
        // Stop sets its own tip on the current icon; the end-of-run tray update is not made.
        EXPECT_EQ(tray.calls, V{"icon 0 Stopped- at " + time()});
        EXPECT_FALSE(w.Timer2.enabled());
        EXPECT_FALSE(engine.running());
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

}  // namespace
}  // namespace zelto::test
