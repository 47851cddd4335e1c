#include "run/ResultsBox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zelto::run {
namespace {

const std::string kStarted = "\r\n   TESTS STARTED   03/07/2008 14:05:09\r\n";

struct Box {
    Box(bool eo = false, bool simple = false) {
        errorsOnly.setValue(eo);
        simpleResults.setValue(simple);
    }
    ui::TextBox results1;
    ui::CheckBox errorsOnly, simpleResults;
    ResultsBox box{results1, errorsOnly, simpleResults};
};

// Each kind of line the callers write, with the flags they pass (skip is passed only under
// Errors Only), under the four option pairs: shown at once (S), held until the next line shown
// (H), or never (-).
TEST(ResultsBox, EachLineIsShownHeldOrHiddenAsTheOptionsSay) {
    struct Row {
        std::string line;
        bool skip, detail;
        const char* seen;  // none, Errors Only, Simple Results, both
    };
    const std::vector<Row> rows{
        {kStarted, false, true, "SS--"},
        {"---- PASS --- 3\r\n", true, true, "SH-H"},
        {"Test 2) Gateway", true, false, "SHSH"},
        {"            Successfully pinged 192.0.2.1", true, true, "S---"},
        {"!!!!!!!!!!! Ping failed for 192.0.2.1", false, true, "SS--"},
        {"******** You can not reach it", false, false, "SSSS"},
        {"            You can reach it", true, false, "S-S-"},
        {"TESTS STOPPED   03/07/2008 14:05:09", false, true, "SS--"},
    };
    for (const Row& r : rows) {
        for (int o = 0; o < 4; ++o) {
            SCOPED_TRACE(r.line + " options " + std::to_string(o));
            Box b((o & 1) != 0, (o & 2) != 0);
            b.box.ShowResult(r.line, r.skip && (o & 1) != 0, r.detail);
            const std::string line = r.line + "\r\n";
            EXPECT_EQ(b.results1.text(), r.seen[o] == 'S' ? line : "");
            // A message line is shown under every option and brings out whatever was held.
            b.box.ShowResult("******** You can not print", false, false);
            EXPECT_EQ(b.results1.text(),
                      (r.seen[o] == '-' ? "" : line) + "******** You can not print\r\n");
        }
    }
}

// Drives the box the way a run does, the blank line after a row appended straight to the box.
struct RunScript : Box {
    bool eo() const { return errorsOnly.value(); }
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
};

TEST(ResultsBox, HeldHeadersWaitAcrossRunsStopDropsThemSimpleResultsHidesDetails) {
    RunScript run;
    run.errorsOnly.setValue(true);
    run.pass(1);
    run.row("1) Loop Back", false);
    EXPECT_EQ(run.results1.text(), "");
    run.box.ShowResult(kStarted, false, true);  // the next run's first shown line
    EXPECT_EQ(run.results1.text(),
              "---- PASS --- 1\r\n\r\nTest 1) Loop Back\r\n" + kStarted + "\r\n");

    run.results1.setText("");
    run.simpleResults.setValue(true);
    run.pass(2);
    run.row("1) Loop Back", false);
    // Hidden by Simple Results, and still empties the held lines.
    run.box.ShowResult("TESTS STOPPED   03/07/2008 14:05:10", false, true);
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

}  // namespace
}  // namespace zelto::run
