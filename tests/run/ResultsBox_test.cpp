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

// Under Errors Only the headers of a passing run wait for the next line shown, even the next
// run's; a header shown itself is not held as well; Stop drops what is held; Simple Results
// hides the details of a failed row but not its header.
TEST(ResultsBox, HeldHeadersWaitAcrossRunsStopDropsThemSimpleResultsHidesDetails) {
    Box b(true);
    auto show = [&b](const std::string& line, bool skip, bool detail) {
        b.box.ShowResult(line, skip, detail);
        return b.results1.text();
    };
    show("---- PASS --- 1\r\n", true, true);
    show("Test 1) Loop Back", true, false);
    EXPECT_EQ(show("            You can use it", true, false), "");
    EXPECT_EQ(show(kStarted, false, true),
              "---- PASS --- 1\r\n\r\nTest 1) Loop Back\r\n" + kStarted + "\r\n");
    b.results1.setText("");
    show("---- PASS --- 2\r\n", true, true);
    show("Test 1) Loop Back", false, false);
    EXPECT_EQ(show("---- PASS --- 3\r\n", false, true),
              "---- PASS --- 2\r\n\r\nTest 1) Loop Back\r\n---- PASS --- 3\r\n\r\n");

    b.results1.setText("");
    b.simpleResults.setValue(true);
    show("---- PASS --- 4\r\n", true, true);
    show("Test 1) Loop Back", true, false);
    show("TESTS STOPPED   03/07/2008 14:05:10", false, true);  // hidden, and still drops them
    show("Test 2) Gateway", true, false);
    show("!!!!!!!!!!! Ping failed for 192.0.2.1", false, true);
    EXPECT_EQ(show("******** You can not use it", false, false),
              "Test 2) Gateway\r\n******** You can not use it\r\n");
}

}  // namespace
}  // namespace zelto::run
