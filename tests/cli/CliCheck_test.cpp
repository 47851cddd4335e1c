#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/CliCheck.h"
#include "cli/CliEventPump.h"
#include "support/MainFixture.h"

namespace zelto::cli {
namespace {

/// The main window model over a temporary program folder, driven by CliCheck and served by the
/// command line's own pump. Both profiles hold Loop Back and three tests: one that passes, one
/// that fails, one with a problem.
struct CliCheckTest : ::testing::Test, test::MainRig<CliEventPump> {
    CliCheckTest() {
        for (const char* name : {"OutofOffice.ini", "InOffice.ini"})
            writeProfile(name, {"[Configured By]", "Desk 42", "[Web]", "reach the web", "10.1.1.1",
                                "[Mail]", "send mail", "10.2.2.2:25", "[Files]", "open files",
                                "10.1.1.1", "10.3.3.3"});
        probes.answers("127.0.0.1");
        probes.answers("10.1.1.1");
    }
    RunReport run(const CliOptions& o = {}) {
        EXPECT_EQ(check.prepare(o), std::nullopt);
        return check.run();
    }
    CliCheck check{main};
};

TEST_F(CliCheckTest, EachRowGetsItsOwnLinesAndItsOutcomeFromTheStatusBox) {
    RunReport r = run();
    EXPECT_EQ(r.banner, "Configured by Desk 42");
    EXPECT_EQ(r.runSummary, "3) Mail-failed 4) Files-problem ");
    ASSERT_EQ(r.rows.size(), 4U);
    const std::vector<RowOutcome> outcomes{RowOutcome::Passed, RowOutcome::Passed,
                                           RowOutcome::Failed, RowOutcome::Problem};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(r.rows[i].number, static_cast<int>(i) + 1);
        EXPECT_EQ(r.rows[i].outcome, outcomes[i]) << i;
        // Every row's part starts with its own header; no blank lines and no line ends.
        ASSERT_FALSE(r.rows[i].lines.empty());
        EXPECT_EQ(r.rows[i].lines.front(), "Test " + r.rows[i].name);
        for (const auto& line : r.rows[i].lines)
            EXPECT_TRUE(!line.empty() && line.find_first_of("\r\n") == std::string::npos) << line;
    }
    EXPECT_EQ(r.rows[3].lines.back(), "!!!!!!!!!!! You may not be able to open files");

    // A second run on the same model reports only its own lines.
    r = check.run();
    ASSERT_EQ(r.rows.size(), 4U);
    EXPECT_EQ(r.rows[1].lines.size(), 3U);
}

TEST_F(CliCheckTest, OnlyTheListedRowsOfTheProfileAskedForAreProbed) {
    CliOptions o;
    o.tests = {1, 5};
    EXPECT_EQ(check.prepare(o),
              "--tests: there is no test 5 in the Out of Office profile (its tests are 1 to 4)");
    o.inOffice = true;
    o.tests = {3, 1};
    const RunReport r = run(o);
    EXPECT_EQ(r.profile, "In Office");
    ASSERT_EQ(r.rows.size(), 2U);
    EXPECT_EQ(r.rows[1].name, "3) Mail");
    for (const auto& call : probes.calls())
        EXPECT_TRUE(call.find("10.1.1.1") == std::string::npos &&
                    call.find("10.3.3.3") == std::string::npos)
            << call;
}

TEST_F(CliCheckTest, DisplayOptionsShapeTheLinesEachRowReports) {
    CliOptions o;
    o.errorsOnly = true;
    RunReport r = run(o);
    ASSERT_EQ(r.rows.size(), 4U);
    // Passing rows show nothing; a failed row still gets its held header.
    EXPECT_TRUE(r.rows[0].lines.empty() && r.rows[1].lines.empty());
    EXPECT_EQ(r.rows[2].lines.at(0), "Test 3) Mail");

    o = {};
    o.simple = true;
    o.timestamps = true;
    r = run(o);
    ASSERT_EQ(r.rows[1].lines.size(), 2U);
    EXPECT_TRUE(r.rows[1].lines[0].starts_with("Test 2) Web - Pass 1  --")) << r.rows[1].lines[0];
    EXPECT_EQ(r.rows[1].lines[1], "            You can reach the web");
}

}  // namespace
}  // namespace zelto::cli
