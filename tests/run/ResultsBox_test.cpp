#include "run/ResultsBox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/FrmMainControls.h"

namespace zelto::run {
namespace {

const std::string kStarted = "\r\n   TESTS STARTED   03/07/2008 14:05:09\r\n";

// What one call leaves in the box: at once, only in front of the next line shown, or never.
enum class Seen { Shown, Held, Hidden };

struct FlagCase {
    std::string line;
    bool skipWhenErrorsOnly;  // callers pass skipLine = ErrorsOnly for these lines
    bool detailLine;
    bool errorsOnly, simple;
    Seen expected;
};

// Each kind of line the callers write, with the flags they pass, under the four option pairs
// (none, Errors Only, Simple Results, both).
std::vector<FlagCase> flagCases() {
    using enum Seen;
    struct Row {
        std::string line;
        bool skip, detail;
        Seen seen[4];
    };
    const std::vector<Row> rows = {
        {kStarted, false, true, {Shown, Shown, Hidden, Hidden}},
        {"---- PASS --- 3\r\n", true, true, {Shown, Held, Hidden, Held}},
        {"Test 2) Gateway", true, false, {Shown, Held, Shown, Held}},
        {"            Successfully pinged 192.0.2.1", true, true, {Shown, Hidden, Hidden, Hidden}},
        {"!!!!!!!!!!! Ping failed for 192.0.2.1", false, true, {Shown, Shown, Hidden, Hidden}},
        {"******** You can not reach it", false, false, {Shown, Shown, Shown, Shown}},
        {"            You can reach it", true, false, {Shown, Hidden, Shown, Hidden}},
        {"TESTS STOPPED   03/07/2008 14:05:09", false, true, {Shown, Shown, Hidden, Hidden}},
    };
    std::vector<FlagCase> cases;
    for (const Row& r : rows) {
        for (int o = 0; o < 4; ++o)
            cases.push_back({r.line, r.skip, r.detail, (o & 1) != 0, (o & 2) != 0, r.seen[o]});
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

    box.ShowResult(c.line, c.skipWhenErrorsOnly && c.errorsOnly, c.detailLine);
    const std::string line = c.line + "\r\n";
    EXPECT_EQ(results1.text(), c.expected == Seen::Shown ? line : "");

    // A message line is shown under every option and brings out whatever was held.
    box.ShowResult("******** You can not print", false, false);
    EXPECT_EQ(results1.text(),
              (c.expected == Seen::Hidden ? "" : line) + "******** You can not print\r\n");
}

INSTANTIATE_TEST_SUITE_P(ResultsBox, FlagTable, ::testing::ValuesIn(flagCases()));

// Drives the box the way a run does, the blank line after a row appended straight to the box.
struct RunScript {
    RunScript() : box(results1, errorsOnly, simple) {}
    bool eo() const { return errorsOnly.value(); }
    void started() { box.ShowResult(kStarted, false, true); }
    void pass(int n) { box.ShowResult("---- PASS --- " + std::to_string(n) + "\r\n", eo(), true); }
    void row(const std::string& name, bool fails) {
        box.ShowResult("Test " + name, eo(), false);
        if (fails) {
            box.ShowResult("!!!!!!!!!!! Ping failed for 192.0.2.1", false, true);
            box.ShowResult("******** You can not use " + name, false, false);
        } else {
            box.ShowResult("            Successfully pinged 127.0.0.1", eo(), true);
            box.ShowResult("            You can use " + name, eo(), false);
        }
        if (!eo() || fails)
            results1.append("\r\n");
    }
    void stopped() { box.ShowResult("TESTS STOPPED   03/07/2008 14:05:10", false, true); }

    ui::TextBox results1;
    ui::CheckBox errorsOnly, simple;
    ResultsBox box;
};

TEST(ResultsBox, HeldHeadersWaitAcrossRunsStopDropsThemSimpleResultsHidesDetails) {
    RunScript run;
    run.errorsOnly.setValue(true);
    run.pass(1);
    run.row("1) Loop Back", false);
    EXPECT_EQ(run.results1.text(), "");
    run.started();  // the next run's first shown line brings them out
    EXPECT_EQ(run.results1.text(),
              "---- PASS --- 1\r\n\r\nTest 1) Loop Back\r\n"
              "\r\n   TESTS STARTED   03/07/2008 14:05:09\r\n\r\n");

    run.results1.setText("");
    run.simple.setValue(true);
    run.pass(2);
    run.row("1) Loop Back", false);
    run.stopped();                // hidden by Simple Results, and still empties the held lines
    run.row("2) Gateway", true);  // its ping line is a detail
    EXPECT_EQ(run.results1.text(),
              "Test 2) Gateway\r\n******** You can not use 2) Gateway\r\n\r\n");
}

TEST(ResultsBox, AHeaderShownWhileErrorsOnlyIsOnAppearsOnce) {
    RunScript run;
    run.errorsOnly.setValue(true);
    run.pass(1);
    run.box.ShowResult("Test 1) Loop Back", false, false);
    run.box.ShowResult("---- PASS --- 2\r\n", false, true);
    EXPECT_EQ(run.results1.text(),
              "---- PASS --- 1\r\n\r\nTest 1) Loop Back\r\n---- PASS --- 2\r\n\r\n");
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
}

}  // namespace
}  // namespace zelto::run
