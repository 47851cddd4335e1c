#include "run/RunLog.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace zelto::run {
namespace {

std::vector<std::string> filesIn(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    return names;
}

struct NameCase {
    int year, month, day, hour, minute, second;
    const char* expected;
};

class RunLogName : public ::testing::TestWithParam<NameCase> {};

TEST_P(RunLogName, PlainNumbersInMonthDayYearHourMinuteSecondOrder) {
    const NameCase& c = GetParam();
    std::tm t = ui::makeLocalTime(c.year, c.month, c.day, c.hour, c.minute, c.second);
    EXPECT_EQ(runLogPath("/opt/zelto/", t), std::string("/opt/zelto/") + c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    RunLog, RunLogName,
    ::testing::Values(NameCase{2008, 3, 7, 14, 5, 9, "RunLog3-7-2008-14-5-9.Txt"},
                      NameCase{2023, 12, 31, 23, 59, 59, "RunLog12-31-2023-23-59-59.Txt"},
                      NameCase{2024, 1, 1, 0, 0, 0, "RunLog1-1-2024-0-0-0.Txt"}));

class PrintLog : public ::testing::Test {
  protected:
    PrintLog() {
        session.InstallDir = dir.path();
        results1.setText("\r\nTest 1) Loop Back\r\n            You can use TCP/IP\r\n");
    }
    std::string expectedPath() const { return dir.path() + "RunLog3-7-2008-14-5-9.Txt"; }

    test::TempDir dir;
    profiles::Session session;
    ui::TextBox results1;
    ui::ScriptedPrompter prompter;
    ui::FixedClock clock{ui::makeLocalTime(2008, 3, 7, 14, 5, 9)};
};

TEST_F(PrintLog, YesWritesTheBoxTextAndALineEndToTheTimeStampedFile) {
    prompter.answers = {ui::Answer::Yes};
    PrintLog2_Click(session, results1, prompter, clock);

    EXPECT_EQ(session.FilePath, expectedPath());
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0],
              (ui::Message{
                  "Log to File",
                  "Do you want to write the contents of this screen a log file: " + expectedPath(),
                  ui::Buttons::YesNo}));
    EXPECT_EQ(dir.read("RunLog3-7-2008-14-5-9.Txt"), results1.text() + "\r\n");
    EXPECT_EQ(filesIn(dir.path()).size(), 1u);
    EXPECT_EQ(prompter.busyChanges, (std::vector<bool>{true, false}));
}

TEST_F(PrintLog, NoWritesNothing) {
    prompter.answers = {ui::Answer::No};
    PrintLog2_Click(session, results1, prompter, clock);
    EXPECT_EQ(session.FilePath, expectedPath());  // named before the question
    EXPECT_TRUE(filesIn(dir.path()).empty());
    EXPECT_TRUE(prompter.busyChanges.empty());
}

TEST_F(PrintLog, MissingProgramFolderGivesTheFileErrorAndNoFile) {
    session.InstallDir = dir.path() + "gone/";
    prompter.answers = {ui::Answer::Yes};
    PrintLog2_Click(session, results1, prompter, clock);

    const std::string path = dir.path() + "gone/RunLog3-7-2008-14-5-9.Txt";
    ASSERT_EQ(prompter.messages.size(), 2u);
    EXPECT_EQ(prompter.messages[1],
              (ui::Message{"Zelto",
                           "Error for Zelto: File error for " + path +
                               " . Description=No such file or directory - Error number=2",
                           ui::Buttons::Ok}));
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "gone"));
    EXPECT_EQ(prompter.busyChanges, (std::vector<bool>{true, false}));
}

TEST_F(PrintLog, FailedWriteLeavesNothingBehind) {
    // A folder where the log should go: the file cannot be put in place.
    ASSERT_EQ(::mkdir(expectedPath().c_str(), 0755), 0);
    prompter.answers = {ui::Answer::Yes};
    PrintLog2_Click(session, results1, prompter, clock);

    ASSERT_EQ(prompter.messages.size(), 2u);
    EXPECT_EQ(prompter.messages[1].text, "Error for Zelto: File error for " + expectedPath() +
                                             " . Description=Is a directory - Error number=21");
    EXPECT_EQ(filesIn(dir.path()), (std::vector<std::string>{"RunLog3-7-2008-14-5-9.Txt"}));
    EXPECT_TRUE(std::filesystem::is_directory(expectedPath()));
}

TEST_F(PrintLog, TwoWritesInTheSameSecondLeaveTheSecond) {
    prompter.answers = {ui::Answer::Yes, ui::Answer::Yes};
    PrintLog2_Click(session, results1, prompter, clock);
    results1.setText("\r\nsecond\r\n");
    PrintLog2_Click(session, results1, prompter, clock);

    EXPECT_EQ(filesIn(dir.path()), (std::vector<std::string>{"RunLog3-7-2008-14-5-9.Txt"}));
    EXPECT_EQ(dir.read("RunLog3-7-2008-14-5-9.Txt"), "\r\nsecond\r\n\r\n");
}

}  // namespace
}  // namespace zelto::run
