#include <gtest/gtest.h>

#include <algorithm>

#include "support/EngineRig.h"
#include "support/MainFixture.h"

namespace zelto::run {
namespace {

// The scripted pump lets a test press Stop while a run started by the countdown waits.
struct ContinuousRuns : ::testing::Test, test::MainRig<test::ScriptedPump> {
    void SetUp() override {
        writeProfile("OutofOffice.ini", {"h", "desk"});
        settings.write("Zelto", "Codes", "Settings", "O10000000000000000");
        probes.answers("127.0.0.1");
        ASSERT_FALSE(startEnds());
        c.Continuous.setValue(true);
    }
    long pings() {
        auto calls = probes.calls();
        return std::count(calls.begin(), calls.end(), "ping 127.0.0.1");
    }
};

TEST_F(ContinuousRuns, CountsDownFromTheIntervalAndRunsAgainAfterTheOne) {
    c.RunInterval.setText("5");
    EXPECT_TRUE(c.RotCircle.visible());
    c.RunTests.click();
    EXPECT_EQ(pings(), 1);
    std::vector<std::string> shown;
    for (int i = 0; i < 5; ++i) {
        c.Timer2.tick();
        shown.push_back(c.TestStatus.text());
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"Waiting 5 Secs", "Waiting 4 Secs", "Waiting 3 Secs",
                                               "Waiting 2 Secs", "Waiting 1 Secs"}));
    EXPECT_EQ(pings(), 1);
    c.Timer2.tick();
    EXPECT_EQ(pings(), 2);
    EXPECT_EQ(c.TestStatus.text(), "Waiting 5 Secs");
    // The hand points straight up at the start of each turn.
    EXPECT_EQ(c.RotLine.x2(), c.RotLine.x1);
}

// An interval too long is corrected by the run; Stop ends the countdown and leaves the box
// checked; unchecking it stops too and hides the dial.
TEST_F(ContinuousRuns, StopAndUncheckingEndTheCountdown) {
    c.RunInterval.setText("90");
    c.RunTests.click();
    EXPECT_EQ(c.RunInterval.text(), "65");
    c.btnStopTest.click();
    EXPECT_TRUE(c.Continuous.value());
    EXPECT_FALSE(c.Timer2.enabled());
    EXPECT_EQ(c.TestStatus.text(), "STOPPED");

    c.RunTests.click();
    c.Timer2.tick();
    c.Continuous.setValue(false);
    EXPECT_EQ(c.TestStatus.text(), "STOPPED");
    EXPECT_FALSE(c.Timer2.enabled());
    EXPECT_FALSE(c.RotLine.visible());
    EXPECT_FALSE(c.RotCircle.visible());
}

// Stop pressed in a run the countdown started leaves "STOPPED" in view, not the next count.
TEST_F(ContinuousRuns, AStoppedTimerRunLeavesStoppedInView) {
    c.RunInterval.setText("5");
    c.RunTests.click();
    for (int i = 0; i < 5; ++i)
        c.Timer2.tick();
    probes.pauses["ping 127.0.0.1"] = std::chrono::seconds(20);
    pump.during(std::chrono::milliseconds(50), [this] { c.btnStopTest.click(); });
    c.Timer2.tick();
    EXPECT_EQ(pings(), 2);
    EXPECT_EQ(c.TestStatus.text(), "STOPPED");
    EXPECT_FALSE(c.Timer2.enabled());
}

// A profile switch served during a run's wait would replace the rows the run walks.
TEST_F(ContinuousRuns, TheProfileSwitchIsClosedWhileARunWaits) {
    bool closedDuringRun = true;
    c.Status[0].changed.connect([&] {
        if (main.engine().running())
            closedDuringRun = closedDuringRun && !c.OfficeOption.enabled();
    });
    c.RunTests.click();
    EXPECT_TRUE(closedDuringRun);
    EXPECT_TRUE(c.OfficeOption.enabled());
}

}  // namespace
}  // namespace zelto::run
