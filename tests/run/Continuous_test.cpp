#include <gtest/gtest.h>

#include <algorithm>

#include "support/MainFixture.h"

namespace zelto::run {
namespace {

struct ContinuousRuns : test::MainFixture {
    void SetUp() override {
        writeProfile("OutofOffice.ini", {"h", "desk"});
        settings.write("Zelto", "Codes", "Settings", "O10000000000000000");
        probes.answers("127.0.0.1");
        ASSERT_FALSE(startEnds());
    }
    int pings() {
        auto calls = probes.calls();
        return static_cast<int>(std::count(calls.begin(), calls.end(), "ping 127.0.0.1"));
    }
    std::vector<std::string> tickAndRead(int ticks) {
        std::vector<std::string> shown;
        for (int i = 0; i < ticks; ++i) {
            c.Timer2.tick();
            shown.push_back(c.TestStatus.text());
        }
        return shown;
    }
};

TEST_F(ContinuousRuns, CountsDownFromTheIntervalAndRunsAgainAfterTheOne) {
    c.RunInterval.setText("5");
    c.Continuous.setValue(true);
    EXPECT_TRUE(c.RotCircle.visible());
    EXPECT_EQ(c.RotLine.color(), ui::kDarkRed);
    EXPECT_TRUE(c.BeepifPassed.visible());
    c.RunTests.click();
    EXPECT_EQ(pings(), 1);
    EXPECT_TRUE(c.Timer2.enabled());
    EXPECT_EQ(tickAndRead(5),
              (std::vector<std::string>{"Waiting 5 Secs", "Waiting 4 Secs", "Waiting 3 Secs",
                                        "Waiting 2 Secs", "Waiting 1 Secs"}));
    EXPECT_EQ(pings(), 1);
    c.Timer2.tick();
    EXPECT_EQ(pings(), 2);
    EXPECT_EQ(session.Run.RunSource, "");  // the run consumed its source
    EXPECT_EQ(c.TestStatus.text(), "Waiting 5 Secs");
    // The hand points straight up at the start of each turn.
    EXPECT_EQ(c.RotLine.x2(), c.RotLine.x1);
}

TEST_F(ContinuousRuns, BadIntervalsAreCorrectedAtTheEndOfARun) {
    c.Continuous.setValue(true);
    for (auto [typed, corrected] : std::vector<std::pair<std::string, std::string>>{
             {"ab", "30"}, {"0", "30"}, {"90", "65"}, {"-5", "30"}, {".4", "30"}, {"7", "7"}}) {
        c.RunInterval.setText(typed);
        c.RunTests.click();
        EXPECT_EQ(c.RunInterval.text(), corrected) << typed;
        EXPECT_GT(main.engine().CountdownSeconds(), 0);
        c.Timer2.tick();
        EXPECT_NE(c.TestStatus.text().find("Waiting"), std::string::npos);
    }
}

TEST_F(ContinuousRuns, UncheckingDuringTheCountdownStopsAndHidesTheDial) {
    c.Continuous.setValue(true);
    c.RunTests.click();
    c.Timer2.tick();
    c.Continuous.setValue(false);
    EXPECT_EQ(c.TestStatus.text(), "STOPPED");
    EXPECT_EQ(c.TestStatus.color(), ui::kRed);
    EXPECT_NE(c.Results1.text().find("TESTS STOPPED   "), std::string::npos);
    EXPECT_FALSE(c.Timer2.enabled());
    EXPECT_FALSE(c.RotLine.visible());
    EXPECT_FALSE(c.RotCircle.visible());
    EXPECT_FALSE(c.BeepIfFailed.visible());
}

TEST_F(ContinuousRuns, StopLeavesTheBoxCheckedAndTheStatusStopped) {
    c.Continuous.setValue(true);
    c.RunTests.click();
    c.btnStopTest.click();
    EXPECT_TRUE(c.Continuous.value());
    EXPECT_FALSE(c.Timer2.enabled());
    EXPECT_EQ(c.TestStatus.text(), "STOPPED");
    EXPECT_TRUE(c.mnuStop.checked());
}

}  // namespace
}  // namespace zelto::run

namespace zelto::run {
namespace {

TEST_F(ContinuousRuns, TheProfileSwitchIsClosedWhileARunWaits) {
    probes.delay = std::chrono::milliseconds(0);
    bool seenDuringRun = true;
    probes.pings["127.0.0.1"] = {0, "0 ms", true};
    // The only way to look inside a run from here: the run's own pings.
    c.ErrorsOnly.onClick = nullptr;
    c.Status[0].changed.connect([&] {
        if (main.engine().running())
            seenDuringRun = seenDuringRun && !c.OfficeOption.enabled();
    });
    c.RunTests.click();
    EXPECT_TRUE(seenDuringRun);
    EXPECT_TRUE(c.OfficeOption.enabled());
}

}  // namespace
}  // namespace zelto::run
