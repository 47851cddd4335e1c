#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "run/Engine.h"
#include "support/EngineRig.h"

namespace zelto::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

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
        EXPECT_EQ(tray.calls, std::vector<std::string>{"icon 103 Stopped- at " + time()});
        EXPECT_FALSE(engine.running());
    }
};

TEST_F(StopFixture, StopDuringAConnectWaitEndsTheRunAtOnce) {
    probes.hangs("192.0.2.1", 80, 20s);
    profile({{"Loop Back", {"127.0.0.1"}},
             {"Web", {"192.0.2.1:80", "192.0.2.3"}},
             {"Next", {"192.0.2.3"}}});
    w.Continuous.setValue(true);
    w.Timer2.setEnabled(true);
    EXPECT_LT(runAndStopAfter(100ms), 5s) << "the connect was waited out instead of closed";
    expectStoppedOnRow(1);
    EXPECT_FALSE(w.Timer2.enabled());
    EXPECT_FALSE(contains(w.Results1.text(), "Failed to connect"));
    EXPECT_THAT(probes.calls(), ::testing::Contains("connect 192.0.2.1:80"));
    EXPECT_EQ(w.Status[2].text(), "Not run");
}

// A ping cut short by Stop is no failure: it writes no line.
TEST_F(StopFixture, PingCutShortByStopWritesNoLine) {
    probes.pings["192.0.2.5"] = {probes::kPingCancelled, "", std::nullopt};
    profile({{"Loop Back", {"127.0.0.1"}}, {"Far", {"192.0.2.5"}}});
    probes.pauses["ping 192.0.2.5"] = 5s;  // until Stop cuts it short
    EXPECT_LT(runAndStopAfter(200ms), 4s);
    expectStoppedOnRow(1);
    EXPECT_FALSE(contains(w.Results1.text(), "Ping failed"));
}

// A row that finished before Stop keeps its outcome; a Stop between runs is forgotten.
TEST_F(StopFixture, StopBetweenRowsLeavesTheFinishedRowItsOutcome) {
    profile({{"Loop Back", {"127.0.0.1"}}, {"Empty", {}}, {"Next", {"192.0.2.3"}}});
    bool pressed = false;
    w.Status[1].changed.connect([this, &pressed] {
        if (w.Status[1].text() == "passed" && !std::exchange(pressed, true))
            engine.btnStopTest_Click();
    });
    engine.RunTests_Click();
    EXPECT_EQ(w.Status[1].text(), "passed");
    EXPECT_EQ(w.TestStatus.text(), "STOPPED");
    EXPECT_FALSE(contains(w.Results1.text(), "Test 3) Next"));
    EXPECT_FALSE(w.Status[2].visible());

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

// The watch blinks the address box until this PC has an address (loopback is none). It also
// runs during a run's waits and moves LocalIP: the connect line must still name the address
// that was connected to.
TEST_F(EngineFixture, AddressWatchBlinksUntilThePcHasAnAddressEvenDuringAConnect) {
    probes.names[" "] = "";
    loopBackAnswers();
    probes.listens("192.0.2.1", 80, 300ms);
    profile({{"Loop Back", {"127.0.0.1"}}});
    engine.RunTests_Click();
    ASSERT_TRUE(w.Timer1.enabled());
    const bool shown = w.current_ip.visible();
    engine.Timer1_Timer();
    EXPECT_EQ(w.current_ip.visible(), !shown);
    probes.names[" "] = "127.0.0.1";
    engine.Timer1_Timer();
    EXPECT_EQ(w.current_ip.visible(), shown);
    EXPECT_TRUE(w.Timer1.enabled());
    EXPECT_EQ(net.modes.back(), "Nothing");

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
