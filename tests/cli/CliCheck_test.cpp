#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "cli/CliCheck.h"
#include "cli/CliEventPump.h"
#include "support/MainFixture.h"

namespace zelto::cli {
namespace {

using namespace std::chrono_literals;

/// The main window model over a temporary program folder, driven by CliCheck and served by the
/// command line's own pump.
struct CliCheckTest : ::testing::Test, test::MainRig<CliEventPump> {
    /// Loop Back and three tests: one that passes, one that fails, one with a problem.
    void threeTests() {
        writeProfile("OutofOffice.ini",
                     {"[Configured By]", "Desk 42", "[Web]", "reach the web", "10.1.1.1", "[Mail]",
                      "send mail", "10.2.2.2:25", "[Files]", "open files", "10.1.1.1", "10.3.3.3"});
        probes.answers("127.0.0.1");
        probes.answers("10.1.1.1");
    }
    CliCheck check{main};
};

TEST_F(CliCheckTest, EachRowGetsItsOwnLinesAndItsOutcomeFromTheStatusBox) {
    threeTests();
    ASSERT_FALSE(check.prepare({}).has_value());
    RunReport r = check.run();

    EXPECT_EQ(r.banner, "Configured by Desk 42");
    EXPECT_EQ(r.testStatus, "COMPLETED");
    EXPECT_EQ(r.runSummary, "3) Mail-failed 4) Files-problem ");
    ASSERT_EQ(r.rows.size(), 4U);
    const std::vector<RowOutcome> outcomes{RowOutcome::Passed, RowOutcome::Passed,
                                           RowOutcome::Failed, RowOutcome::Problem};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(r.rows[i].number, static_cast<int>(i) + 1);
        EXPECT_EQ(r.rows[i].outcome, outcomes[i]) << i;
        ASSERT_FALSE(r.rows[i].lines.empty());
        // Every row's part starts with its own header; no blank lines and no line ends.
        EXPECT_EQ(r.rows[i].lines.front(), "Test " + r.rows[i].name);
        for (const auto& line : r.rows[i].lines) {
            EXPECT_FALSE(line.empty());
            EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
        }
    }
    EXPECT_EQ(r.rows[3].lines.back(), "!!!!!!!!!!! You may not be able to open files");
    // The text is the results box as it stands, with LF line ends.
    EXPECT_TRUE(r.results.starts_with("\n\n   TESTS STARTED   ")) << r.results;

    // A second run on the same model reports only its own lines.
    r = check.run();
    ASSERT_EQ(r.rows.size(), 4U);
    EXPECT_EQ(r.rows[1].lines.size(), 3U);
    EXPECT_EQ(r.rows[1].lines.front(), "Test 2) Web");
}

TEST_F(CliCheckTest, TestsOptionLeavesOnlyThoseRowsTickedAsAUserWould) {
    threeTests();
    CliOptions o;
    o.tests = {3, 1};
    ASSERT_FALSE(check.prepare(o).has_value());
    EXPECT_FALSE(c.AllTests.value());
    EXPECT_TRUE(c.Test[2].value() && !c.Test[3].value());

    RunReport r = check.run();
    ASSERT_EQ(r.rows.size(), 2U);
    EXPECT_EQ(r.rows[1].name, "3) Mail");
    // The unticked rows were never probed.
    for (const auto& call : probes.calls()) {
        EXPECT_EQ(call.find("10.1.1.1"), std::string::npos) << call;
        EXPECT_EQ(call.find("10.3.3.3"), std::string::npos) << call;
    }
}

TEST_F(CliCheckTest, InOfficeIsLoadedThroughTheProfileSwitch) {
    threeTests();
    writeProfile("InOffice.ini",
                 {"[Configured By]", "Office desk", "[Printer]", "print", "127.0.0.1"});
    CliOptions o;
    o.inOffice = true;
    o.tests = {2};
    ASSERT_FALSE(check.prepare(o).has_value());
    EXPECT_EQ(c.window.caption(), "Zelto 1.9 - In the Office Tests");
    RunReport r = check.run();
    EXPECT_EQ(r.profile, "In Office");
    ASSERT_EQ(r.rows.size(), 1U);
    EXPECT_EQ(r.rows[0].name, "2) Printer");
}

TEST_F(CliCheckTest, DisplayOptionsShapeTheLinesEachRowReports) {
    threeTests();
    CliOptions o;
    o.errorsOnly = true;
    ASSERT_FALSE(check.prepare(o).has_value());
    RunReport r = check.run();
    ASSERT_EQ(r.rows.size(), 4U);
    // Passing rows show nothing; a failed row still gets its held header.
    EXPECT_TRUE(r.rows[0].lines.empty() && r.rows[1].lines.empty());
    ASSERT_FALSE(r.rows[2].lines.empty());
    EXPECT_EQ(r.rows[2].lines.front(), "Test 3) Mail");

    o = {};
    o.simple = true;
    o.timestamps = true;
    ASSERT_FALSE(check.prepare(o).has_value());
    r = check.run();
    ASSERT_EQ(r.rows[1].lines.size(), 2U);
    EXPECT_TRUE(r.rows[1].lines[0].starts_with("Test 2) Web - Pass 1  --")) << r.rows[1].lines[0];
    EXPECT_EQ(r.rows[1].lines[1], "            You can reach the web");
}

TEST_F(CliCheckTest, AStopPostedFromAnotherThreadEndsTheRunWithWhatItFound) {
    writeProfile("OutofOffice.ini", {"[Configured By]", "Desk", "[Slow]", "wait", "10.9.9.9:80",
                                     "[Later]", "later", "127.0.0.1"});
    probes.answers("127.0.0.1");
    probes.hangs("10.9.9.9", 80, 10s);
    ASSERT_FALSE(check.prepare({}).has_value());

    // What the signal watch does on Ctrl-C: post a click on Stop to the UI thread.
    std::thread signal([this] {
        std::this_thread::sleep_for(100ms);
        pump.post([this] { c.btnStopTest.click(); });
    });
    const auto start = std::chrono::steady_clock::now();
    RunReport r = check.run();
    signal.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);

    ASSERT_EQ(r.rows.size(), 3U);
    EXPECT_EQ(r.rows[0].outcome, RowOutcome::Passed);
    EXPECT_EQ(r.rows[1].outcome, RowOutcome::Stopped);
    EXPECT_EQ(r.rows[2].outcome, RowOutcome::NotRun);
}

}  // namespace
}  // namespace zelto::cli
