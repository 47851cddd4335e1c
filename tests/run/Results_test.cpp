// What a run leaves for the user to read: the results box's line rules, the run log written
// from it, and the numbers typed into or shown in the window.

#include <gtest/gtest.h>

#include <filesystem>

#include "run/ResultsBox.h"
#include "run/RunLog.h"
#include "run/RunNumbers.h"
#include "support/TempDir.h"

namespace zelto::run {
namespace {

const std::string kStarted = "\r\n   TESTS STARTED   03/07/2008 14:05:09\r\n";

struct Box {
    std::string show(const std::string& line, bool skip, bool detail) {
        box.ShowResult(line, skip, detail);
        return results1.text();
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
            Box b;
            b.errorsOnly.setValue((o & 1) != 0);
            b.simpleResults.setValue((o & 2) != 0);
            const std::string line = r.line + "\r\n";
            EXPECT_EQ(b.show(r.line, r.skip && (o & 1) != 0, r.detail),
                      r.seen[o] == 'S' ? line : "");
            // A message line is shown under every option and brings out whatever was held.
            EXPECT_EQ(b.show("******** You can not print", false, false),
                      (r.seen[o] == '-' ? "" : line) + "******** You can not print\r\n");
        }
    }
}

// Under Errors Only the headers of a passing run wait for the next line shown, even the next
// run's; a header shown itself is not held as well; Stop drops what is held.
TEST(ResultsBox, HeldHeadersWaitAcrossRunsAndStopDropsThem) {
    Box b;
    b.errorsOnly.setValue(true);
    b.show("---- PASS --- 1\r\n", true, true);
    b.show("Test 1) Loop Back", true, false);
    EXPECT_EQ(b.show("            You can use it", true, false), "");
    EXPECT_EQ(b.show(kStarted, false, true),
              "---- PASS --- 1\r\n\r\nTest 1) Loop Back\r\n" + kStarted + "\r\n");
    b.results1.setText("");
    b.show("---- PASS --- 2\r\n", true, true);
    b.show("Test 1) Loop Back", false, false);
    EXPECT_EQ(b.show("---- PASS --- 3\r\n", false, true),
              "---- PASS --- 2\r\n\r\nTest 1) Loop Back\r\n---- PASS --- 3\r\n\r\n");
    b.results1.setText("");
    b.simpleResults.setValue(true);
    b.show("---- PASS --- 4\r\n", true, true);
    b.show("Test 1) Loop Back", true, false);
    b.show("TESTS STOPPED   03/07/2008 14:05:10", false, true);  // hidden, and still drops them
    EXPECT_EQ(b.show("******** You can not use it", false, false),
              "******** You can not use it\r\n");
}

// No writes nothing; Yes writes the box's text and a line end under a name of plain numbers. A
// failed write leaves no temporary behind and the busy pointer gone.
TEST(RunLog, WritesTheBoxOnYesAndLeavesNothingBehindAFailedWrite) {
    test::TempDir dir;
    profiles::Session session;
    session.InstallDir = dir.path();
    ui::TextBox results1;
    results1.setText("\r\nTest 1) Loop Back\r\n");
    ui::ScriptedPrompter prompter;
    prompter.answers = {ui::Answer::No, ui::Answer::Yes, ui::Answer::Yes};
    const ui::FixedClock clock{ui::makeLocalTime(2008, 3, 7, 14, 5, 9)};
    const std::string path = dir.path() + "RunLog3-7-2008-14-5-9.Txt";
    PrintLog2_Click(session, results1, prompter, clock);
    EXPECT_EQ(dir.read("RunLog3-7-2008-14-5-9.Txt"), "");
    PrintLog2_Click(session, results1, prompter, clock);
    EXPECT_EQ(prompter.messages.at(1),
              (ui::Message{"Log to File",
                           "Do you want to write the contents of this screen a log file: " + path,
                           ui::Buttons::YesNo}));
    EXPECT_EQ(dir.read("RunLog3-7-2008-14-5-9.Txt"), "\r\nTest 1) Loop Back\r\n\r\n");
    std::filesystem::remove(path);
    ASSERT_TRUE(std::filesystem::create_directory(path));  // the log cannot be put in place
    PrintLog2_Click(session, results1, prompter, clock);
    EXPECT_EQ(prompter.messages.at(3).text, "Error for Zelto: File error for " + path +
                                                " . Description=Is a directory - Error number=21");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    EXPECT_EQ(prompter.busyChanges, (std::vector<bool>{true, false, true, false}));
}

TEST(RunNumbers, PassesReadTheLeadingNumberAndZeroForJunk) {
    for (const auto& [text, value] : std::vector<std::pair<std::string, long long>>{
             {" 7", 7},
             {"12abc", 12},
             {"abc", 0},
             {"-3", -3},
             {"99999999999999999999999", 999999999999999999}}) {
        EXPECT_EQ(passesValue(text), value) << '"' << text << '"';
        // What the box shows after one more run reads back as one more.
        EXPECT_EQ(passesValue(passesText(value + 1)), value + 1);
    }
}

// Whole seconds from 1 to 65; nonsense, 0, negatives and what rounds to 0 give 30.
TEST(RunNumbers, TheIntervalIsCorrectedToAUsableWholeNumberOfSeconds) {
    struct Case {
        std::string text, corrected;
        int seconds;
    };
    for (const Case& c : std::vector<Case>{{" 5 ", " 5 ", 5},
                                           {"2.5", "2.5", 2},
                                           {"0.5", "30", 30},
                                           {"65.4", "65", 65},
                                           {"-1", "30", 30},
                                           {"5s", "30", 30},
                                           {"", "30", 30}}) {
        std::string text = c.text;
        EXPECT_EQ(correctRunInterval(text), c.seconds) << c.text;
        EXPECT_EQ(text, c.corrected);
    }
}

}  // namespace
}  // namespace zelto::run
