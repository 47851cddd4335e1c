#include "run/ResultsBox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zelto::run {
namespace {

// What one call leaves in the box: at once, only in front of the next line shown, or never.
enum class Seen { Shown, Held, Hidden };

struct FlagRow {
    const char* name;
    std::string line;
    bool skipWhenErrorsOnly;  // callers pass skipLine = ErrorsOnly for these lines
    bool detailLine;
    // With no option, Errors Only, Simple Results, both.
    Seen plain, errorsOnly, simple, both;
};

struct FlagCase {
    FlagRow row;
    bool errorsOnly;
    bool simple;
    Seen expected;
};

std::vector<FlagCase> flagCases() {
    using enum Seen;
    const std::vector<FlagRow> rows = {
        {"Started", "\r\n   TESTS STARTED   03/07/2008 14:05:09\r\n", false, true, Shown, Shown,
         Hidden, Hidden},
        {"PassHeader", "---- PASS --- 3\r\n", true, true, Shown, Held, Hidden, Held},
        {"TestHeader", "Test 2) Gateway", true, false, Shown, Held, Shown, Held},
        {"Pinged", "            Successfully pinged 192.0.2.1 in 3 ms", true, true, Shown, Hidden,
         Hidden, Hidden},
        {"Connected", "            Successfully connected to 192.0.2.1:80", true, true, Shown,
         Hidden, Hidden, Hidden},
        {"Resolved", "            -- Resolved gw.example.com to 192.0.2.1", true, true, Shown,
         Hidden, Hidden, Hidden},
        {"PingFailed", "!!!!!!!!!!! Ping failed for 192.0.2.1", false, true, Shown, Shown, Hidden,
         Hidden},
        {"ConnectFailed", "!!!!!!!!!!!  Failed to connect to 192.0.2.1:80", false, true, Shown,
         Shown, Hidden, Hidden},
        {"YouCanNot", "******** You can not reach the gateway", false, false, Shown, Shown, Shown,
         Shown},
        {"MayNot", "!!!!!!!!!!! You may not be able to reach the gateway", false, false, Shown,
         Shown, Shown, Shown},
        {"YouCan", "            You can reach the gateway", true, false, Shown, Hidden, Shown,
         Hidden},
        {"Stopped", "TESTS STOPPED   03/07/2008 14:05:09", false, true, Shown, Shown, Hidden,
         Hidden},
    };
    std::vector<FlagCase> cases;
    for (const auto& r : rows) {
        cases.push_back({r, false, false, r.plain});
        cases.push_back({r, true, false, r.errorsOnly});
        cases.push_back({r, false, true, r.simple});
        cases.push_back({r, true, true, r.both});
    }
    return cases;
}

class FlagTable : public ::testing::TestWithParam<FlagCase> {};

TEST_P(FlagTable, LineIsShownHeldOrHiddenAsTheOptionsSay) {
    const FlagCase& c = GetParam();
    ui::TextBox results1;
    ui::CheckBox errorsOnly, simple;
    errorsOnly.setValue(c.errorsOnly);
    simple.setValue(c.simple);
    ResultsBox box(results1, errorsOnly, simple);

    const bool skip = c.row.skipWhenErrorsOnly && c.errorsOnly;
    box.ShowResult(c.row.line, skip, c.row.detailLine);
    const std::string line = c.row.line + "\r\n";
    EXPECT_EQ(results1.text(), c.expected == Seen::Shown ? line : "");

    // A message line is shown under every option: it brings out whatever was held.
    const std::string next = "******** You can not print";
    box.ShowResult(next, false, false);
    const std::string before = c.expected == Seen::Hidden ? "" : line;
    EXPECT_EQ(results1.text(), before + next + "\r\n");
    EXPECT_EQ(box.heldPassLine(), "");
    EXPECT_EQ(box.heldTestLine(), "");
}

INSTANTIATE_TEST_SUITE_P(ResultsBox, FlagTable, ::testing::ValuesIn(flagCases()),
                         [](const ::testing::TestParamInfo<FlagCase>& param) {
                             const FlagCase& c = param.param;
                             return std::string(c.row.name) + (c.errorsOnly ? "_ErrorsOnly" : "") +
                                    (c.simple ? "_Simple" : "") +
                                    (!c.errorsOnly && !c.simple ? "_Plain" : "");
                         });

// Drives the box the way a run does: headers, item lines and message lines with the flags
// the engine chooses, and the blank line after a row appended straight to the box.
class RunScript {
  public:
    RunScript() : box(results1, errorsOnly, simple) {}

    void started() {
        box.ShowResult("\r\n   TESTS STARTED   03/07/2008 14:05:09\r\n", false, true);
    }
    void pass(int n) { box.ShowResult("---- PASS --- " + std::to_string(n) + "\r\n", eo(), true); }
    void passingRow(const std::string& name) {
        box.ShowResult("Test " + name, eo(), false);
        box.ShowResult("            Successfully pinged 127.0.0.1", eo(), true);
        box.ShowResult("            You can use " + name, eo(), false);
        if (!eo())
            results1.append("\r\n");
    }
    void failingRow(const std::string& name) {
        box.ShowResult("Test " + name, eo(), false);
        box.ShowResult("!!!!!!!!!!! Ping failed for 192.0.2.1", false, true);
        box.ShowResult("******** You can not use " + name, false, false);
        results1.append("\r\n");
    }
    void stopped() { box.ShowResult("TESTS STOPPED   03/07/2008 14:05:10", false, true); }

    ui::TextBox results1;
    ui::CheckBox errorsOnly, simple;
    ResultsBox box;

  private:
    bool eo() const { return errorsOnly.value(); }
};

TEST(ResultsBox, ErrorsOnlyShowsJustTheFailingRowUnderItsHeaders) {
    RunScript run;
    run.errorsOnly.setValue(true);
    run.results1.setText("\r\n");  // Continuous Log keeps what is there
    run.started();
    run.pass(4);
    run.passingRow("1) Loop Back");
    run.failingRow("2) Gateway");
    run.passingRow("3) DNS");
    EXPECT_EQ(run.results1.text(),
              "\r\n"
              "\r\n   TESTS STARTED   03/07/2008 14:05:09\r\n\r\n"
              "---- PASS --- 4\r\n\r\n"
              "Test 2) Gateway\r\n"
              "!!!!!!!!!!! Ping failed for 192.0.2.1\r\n"
              "******** You can not use 2) Gateway\r\n"
              "\r\n");
}

TEST(ResultsBox, HeldHeadersWaitAcrossRunsUntilALineIsShownAndStopDropsThem) {
    RunScript run;
    run.errorsOnly.setValue(true);
    run.pass(1);
    run.passingRow("1) Loop Back");
    EXPECT_EQ(run.results1.text(), "");
    EXPECT_EQ(run.box.heldPassLine(), "---- PASS --- 1\r\n\r\n");
    EXPECT_EQ(run.box.heldTestLine(), "Test 1) Loop Back\r\n");

    // The next run's first shown line brings them out.
    run.started();
    EXPECT_EQ(run.results1.text(),
              "---- PASS --- 1\r\n\r\nTest 1) Loop Back\r\n"
              "\r\n   TESTS STARTED   03/07/2008 14:05:09\r\n\r\n");

    run.results1.setText("");
    run.pass(2);
    run.passingRow("1) Loop Back");
    run.stopped();
    EXPECT_EQ(run.results1.text(), "TESTS STOPPED   03/07/2008 14:05:10\r\n");
    EXPECT_EQ(run.box.heldPassLine(), "");
    EXPECT_EQ(run.box.heldTestLine(), "");
}

TEST(ResultsBox, StopDropsHeldLinesEvenWhenItIsNotShown) {
    RunScript run;
    run.errorsOnly.setValue(true);
    run.simple.setValue(true);
    run.pass(1);
    run.passingRow("1) Loop Back");
    run.stopped();  // hidden by Simple Results, still empties the held lines
    run.failingRow("2) Gateway");
    EXPECT_EQ(run.results1.text(),
              "Test 2) Gateway\r\n"
              "******** You can not use 2) Gateway\r\n"
              "\r\n");
}

TEST(ResultsBox, SimpleResultsKeepsHeadersAndMessagesOnly) {
    RunScript run;
    run.simple.setValue(true);
    run.started();
    run.passingRow("1) Loop Back");
    run.failingRow("2) Gateway");
    run.stopped();
    EXPECT_EQ(run.results1.text(),
              "Test 1) Loop Back\r\n"
              "            You can use 1) Loop Back\r\n"
              "\r\n"
              "Test 2) Gateway\r\n"
              "******** You can not use 2) Gateway\r\n"
              "\r\n");
}

TEST(ResultsBox, AHeaderShownWhileErrorsOnlyIsOnAppearsOnce) {
    ui::TextBox results1;
    ui::CheckBox errorsOnly, simple;
    errorsOnly.setValue(true);
    ResultsBox box(results1, errorsOnly, simple);
    box.ShowResult("---- PASS --- 1\r\n", true, true);
    box.ShowResult("Test 1) Loop Back", false, false);
    box.ShowResult("---- PASS --- 2\r\n", false, true);
    EXPECT_EQ(results1.text(),
              "---- PASS --- 1\r\n\r\nTest 1) Loop Back\r\n"
              "---- PASS --- 2\r\n\r\n");
}

TEST(ResultsBox, ClearResultsEmptiesTheBoxAndResetsTheRunCounts) {
    shell::FrmMainControls w;
    profiles::Session s;
    w.Results1.setText("\r\nTest 1) Loop Back\r\n");
    for (auto& p : w.Passes)
        p.setText(" 5");
    s.Run.PassCount = 12;

    btnClearResults_Click(w, s);

    EXPECT_EQ(w.Results1.text(), "");
    EXPECT_EQ(s.Run.PassCount, 0);
    for (int r : {0, 1, 2, 3, 4, 5, 6, 7, 10})
        EXPECT_EQ(w.Passes[r].text(), "0") << "row " << r;
    EXPECT_EQ(w.Passes[8].text(), " 5");  // slots that show nothing are left alone
    EXPECT_EQ(w.Passes[9].text(), " 5");
}

}  // namespace
}  // namespace zelto::run
