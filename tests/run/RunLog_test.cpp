#include "run/RunLog.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace zelto::run {
namespace {

TEST(RunLog, NameHasPlainNumbersInMonthDayYearHourMinuteSecondOrder) {
    EXPECT_EQ(runLogPath("/opt/zelto/", ui::makeLocalTime(2023, 12, 31, 0, 0, 0)),
              "/opt/zelto/RunLog12-31-2023-0-0-0.Txt");
}

class PrintLog : public ::testing::Test {
  protected:
    PrintLog() {
        session.InstallDir = dir.path();
        results1.setText("\r\nTest 1) Loop Back\r\n            You can use TCP/IP\r\n");
    }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            names.push_back(e.path().filename().string());
        return names;
    }
    void click(ui::Answer answer) {
        prompter.answers = {answer};
        PrintLog2_Click(session, results1, prompter, clock);
    }

    const std::string name = "RunLog3-7-2008-14-5-9.Txt";
    test::TempDir dir;
    profiles::Session session;
    ui::TextBox results1;
    ui::ScriptedPrompter prompter;
    ui::FixedClock clock{ui::makeLocalTime(2008, 3, 7, 14, 5, 9)};
};

TEST_F(PrintLog, NoWritesNothingYesWritesTheBoxTextAndALineEnd) {
    click(ui::Answer::No);
    EXPECT_TRUE(files().empty());
    EXPECT_TRUE(prompter.busyChanges.empty());
    prompter.messages.clear();
    click(ui::Answer::Yes);
    EXPECT_EQ(session.FilePath, dir.path() + name);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0],
              (ui::Message{"Log to File",
                           "Do you want to write the contents of this screen a log file: " +
                               dir.path() + name,
                           ui::Buttons::YesNo}));
    EXPECT_EQ(dir.read(name), results1.text() + "\r\n");
    EXPECT_EQ(prompter.busyChanges, (std::vector<bool>{true, false}));

    // A second write within the same second replaces the first.
    results1.setText("\r\nsecond\r\n");
    click(ui::Answer::Yes);
    EXPECT_EQ(files(), std::vector<std::string>{name});
    EXPECT_EQ(dir.read(name), "\r\nsecond\r\n\r\n");
}

TEST_F(PrintLog, FailedWriteLeavesNothingBehind) {
    ASSERT_EQ(::mkdir((dir.path() + name).c_str(), 0755), 0);  // the log cannot be put in place
    click(ui::Answer::Yes);
    ASSERT_EQ(prompter.messages.size(), 2u);
    EXPECT_EQ(prompter.messages[1].text, "Error for Zelto: File error for " + dir.path() + name +
                                             " . Description=Is a directory - Error number=21");
    EXPECT_EQ(files(), std::vector<std::string>{name});  // no temporary left over
    EXPECT_EQ(prompter.busyChanges, (std::vector<bool>{true, false}));

    // A program folder that is gone gives the path-not-found error.
    session.InstallDir = dir.path() + "gone/";
    prompter.messages.clear();
    click(ui::Answer::Yes);
    ASSERT_EQ(prompter.messages.size(), 2u);
    EXPECT_EQ(prompter.messages[1].text, "Error for Zelto: File error for " + dir.path() + "gone/" +
                                             name +
                                             " . Description=No such file or directory - "
                                             "Error number=2");
    EXPECT_EQ(files(), std::vector<std::string>{name});
}

}  // namespace
}  // namespace zelto::run
