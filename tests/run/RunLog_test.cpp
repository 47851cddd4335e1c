#include "run/RunLog.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace zelto::run {
namespace {

struct PrintLog : ::testing::Test {
    PrintLog() { session.InstallDir = dir.path(); }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            names.push_back(e.path().filename().string());
        return names;
    }
    /// Answers the question with `answer`; the error message of the write, if any.
    std::string click(ui::Answer answer) {
        prompter.answers = {answer};
        prompter.messages.clear();
        prompter.busyChanges.clear();
        PrintLog2_Click(session, results1, prompter, clock);
        return prompter.messages.size() > 1 ? prompter.messages[1].text : "";
    }

    // Plain numbers, month-day-year-hour-minute-second.
    const std::string name = "RunLog3-7-2008-14-5-9.Txt";
    test::TempDir dir;
    profiles::Session session;
    ui::TextBox results1;
    ui::ScriptedPrompter prompter;
    ui::FixedClock clock{ui::makeLocalTime(2008, 3, 7, 14, 5, 9)};
};

TEST_F(PrintLog, NoWritesNothingYesWritesTheBoxTextAndALineEnd) {
    results1.setText("\r\nTest 1) Loop Back\r\n");
    click(ui::Answer::No);
    EXPECT_TRUE(files().empty());
    EXPECT_EQ(click(ui::Answer::Yes), "");
    EXPECT_EQ(prompter.messages.at(0),
              (ui::Message{"Log to File",
                           "Do you want to write the contents of this screen a log file: " +
                               dir.path() + name,
                           ui::Buttons::YesNo}));
    EXPECT_EQ(dir.read(name), "\r\nTest 1) Loop Back\r\n\r\n");
    EXPECT_EQ(prompter.busyChanges, (std::vector<bool>{true, false}));
    // A second write within the same second replaces the first.
    results1.setText("second");
    click(ui::Answer::Yes);
    EXPECT_EQ(files(), std::vector<std::string>{name});
    EXPECT_EQ(dir.read(name), "second\r\n");
}

// A failed write leaves no temporary behind and the busy pointer gone before the message.
TEST_F(PrintLog, FailedWriteLeavesNothingBehind) {
    ASSERT_EQ(::mkdir((dir.path() + name).c_str(), 0755), 0);  // the log cannot be put in place
    EXPECT_EQ(click(ui::Answer::Yes), "Error for Zelto: File error for " + dir.path() + name +
                                          " . Description=Is a directory - Error number=21");
    EXPECT_EQ(files(), std::vector<std::string>{name});
    EXPECT_EQ(prompter.busyChanges, (std::vector<bool>{true, false}));
    session.InstallDir = dir.path() + "gone/";
    EXPECT_EQ(click(ui::Answer::Yes), "Error for Zelto: File error for " + dir.path() + "gone/" +
                                          name +
                                          " . Description=No such file or directory - "
                                          "Error number=2");
}

}  // namespace
}  // namespace zelto::run
