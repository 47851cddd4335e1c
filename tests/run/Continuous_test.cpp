#include "support/EngineRig.h"
#include "support/MainFixture.h"

namespace zelto::run {
namespace {

// Through the main window's own handlers; the scripted pump presses Stop while a run waits.
struct ContinuousRuns : ::testing::Test, test::MainRig<test::ScriptedPump> {
    void SetUp() override {
        writeProfile("OutofOffice.ini", {"h", "desk"});
        settings.write("Zelto", "Codes", "Settings", "O10000000000000000");
        ASSERT_FALSE(startEnds());
        c.Continuous.setValue(true);
        c.RunInterval.setText("5");
    }
    std::vector<std::string> ticks(int n) {
        std::vector<std::string> shown;
        for (int i = 0; i < n; ++i) {
            c.Timer2.tick();
            shown.push_back(c.TestStatus.text());
        }
        return shown;
    }
};

// The countdown runs the tests again after the one; Stop pressed in the run it started leaves
// "STOPPED" in view, not the next count.
TEST_F(ContinuousRuns, AStoppedTimerRunLeavesStoppedInView) {
    c.RunTests.click();
    EXPECT_EQ(ticks(5),
              (std::vector<std::string>{"Waiting 5 Secs", "Waiting 4 Secs", "Waiting 3 Secs",
                                        "Waiting 2 Secs", "Waiting 1 Secs"}));
    EXPECT_EQ(session.Run.PassCount, 1);
    EXPECT_EQ(ticks(1), std::vector<std::string>{"Waiting 5 Secs"});
    EXPECT_EQ(session.Run.PassCount, 2);
    // The hand points straight up at the start of each turn.
    EXPECT_EQ(c.RotLine.x2(), c.RotLine.x1);

    ticks(4);
    probes.pauses["ping 127.0.0.1"] = std::chrono::seconds(20);
    pump.during(std::chrono::milliseconds(50), [this] { c.btnStopTest.click(); });
    EXPECT_EQ(ticks(1), std::vector<std::string>{"STOPPED"});
    EXPECT_EQ(session.Run.PassCount, 3);
    EXPECT_FALSE(c.Timer2.enabled());
    EXPECT_TRUE(c.Continuous.value());
}

// The run corrects an interval too long; unchecking the box ends the countdown and hides the
// dial. A profile switch served during a run's wait would replace the rows the run walks.
TEST_F(ContinuousRuns, UncheckingEndsTheCountdownAndARunClosesTheProfileSwitch) {
    c.RunInterval.setText("90");
    int openDuringRun = -1;  // until the run has been looked at
    c.Status[0].changed.connect([&] {
        if (main.engine().running())
            openDuringRun = std::max(openDuringRun, c.OfficeOption.enabled() ? 1 : 0);
    });
    c.RunTests.click();
    EXPECT_EQ(openDuringRun, 0);
    EXPECT_TRUE(c.OfficeOption.enabled());
    EXPECT_EQ(c.RunInterval.text(), "65");
    ticks(1);
    c.Continuous.setValue(false);
    EXPECT_EQ(c.TestStatus.text(), "STOPPED");
    EXPECT_FALSE(c.Timer2.enabled());
    EXPECT_FALSE(c.RotLine.visible());
    EXPECT_FALSE(c.RotCircle.visible());
}

}  // namespace
}  // namespace zelto::run
