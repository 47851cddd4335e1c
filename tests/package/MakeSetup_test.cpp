#include "package/MakeSetup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "package/PackUnpack.h"
#include "profiles/TextFile.h"
#include "support/FailingCalls.h"
#include "support/TempDir.h"

namespace zelto::package {
namespace {

using ui::Buttons;
using ui::Message;

std::string trailer(std::uint32_t n) {
    Trailer t = *WriteLengthTrailer(n);
    return {t.begin(), t.end()};
}

class MakeSetupTest : public ::testing::Test {
  protected:
    MakeSetupTest() {
        session.InstallDir = dir.path();
        files = {
            "\x7f"
            "ELF\x02\x01 the program\r\n",
            "In Office\r\n",
            "",
            std::string(256, 'u'),
            "[DNS]\r\nhelp\r\n",
            "cli"};
        for (std::size_t i = 0; i < kFileNames.size(); ++i)
            dir.write(kFileNames[i], files[i]);
    }
    bool make() { return MakeSetup(session, dir.path() + "zelto", prompt, calls); }
    std::vector<std::string> folderNames() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<std::string> expectedFailure(const std::string& path, int err) const {
        return {profiles::fileErrorMessage(path, profiles::systemError(err)),
                kMakeSetupProblemText};
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> t;
        for (const Message& m : prompt.messages) {
            EXPECT_EQ(m.title, ui::kAppTitle);
            EXPECT_EQ(m.buttons, Buttons::Ok);
            t.push_back(m.text);
        }
        return t;
    }

    test::TempDir dir;
    profiles::Session session;
    ui::ScriptedPrompter prompt;
    test::FailingCalls calls;
    std::vector<std::string> files;
};

TEST_F(MakeSetupTest, WritesEachFileFollowedByItsTrailerAndSaysWhereThePackageIs) {
    ASSERT_TRUE(make());
    std::string expected;
    for (const std::string& f : files)
        expected += f + trailer(static_cast<std::uint32_t>(f.size()));
    EXPECT_EQ(dir.read("Setup.run"), expected);
    EXPECT_EQ(texts(),
              std::vector<std::string>{
                  "Setup.run created. To deploy Zelto and this configuration, send " + dir.path() +
                  "Setup.run to your users. Setup.run can be executed from any folder. "});
    EXPECT_EQ(prompt.busyChanges, (std::vector<bool>{true, false}));

    struct stat st {};
    ASSERT_EQ(::stat((dir.path() + "Setup.run").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755U);
}

TEST_F(MakeSetupTest, TheProgramRecordIsTheRunningExecutableWhateverItsName) {
    const std::string running = dir.write("Zelto-running", "running program");
    ASSERT_TRUE(MakeSetup(session, running, prompt, calls));
    std::optional<std::vector<Record>> records =
        FindRecords(dir.read("Setup.run"), kFileNames.size());
    ASSERT_TRUE(records.has_value());
    EXPECT_EQ(dir.read("Setup.run").substr(0, (*records)[0].length), "running program");
}

TEST_F(MakeSetupTest, BuildingAgainReplacesThePackageAndNeverAppends) {
    ASSERT_TRUE(make());
    dir.write("InOffice.ini", "changed");
    ASSERT_TRUE(make());
    std::size_t total = 0;
    for (std::size_t i = 0; i < files.size(); ++i)
        total += i == 1 ? 7 : files[i].size();
    const std::string package = dir.read("Setup.run");
    EXPECT_EQ(package.size(), total + kFileNames.size() * kTrailerSize);
    EXPECT_NE(package.find("changed"), std::string::npos);
    EXPECT_EQ(folderNames().size(), 7U) << "no temporary file is left";
}

TEST_F(MakeSetupTest, AMissingFileGivesTheTwoMessagesAndLeavesNoPackage) {
    ASSERT_TRUE(make());
    ASSERT_TRUE(dir.exists("Setup.run"));
    prompt.messages.clear();
    prompt.busyChanges.clear();
    std::filesystem::remove(dir.path() + "UserGuide.txt");

    EXPECT_FALSE(make());
    EXPECT_EQ(texts(), expectedFailure(dir.path() + "UserGuide.txt", ENOENT));
    EXPECT_EQ(session.FilePath, dir.path() + "UserGuide.txt");
    EXPECT_EQ(prompt.busyChanges, (std::vector<bool>{true, false}))
        << "the normal pointer is back before the messages";
    EXPECT_EQ(folderNames(), (std::vector<std::string>{"Help.txt", "InOffice.ini",
                                                       "OutofOffice.ini", "zelto", "zelto-cli"}));
}

TEST_F(MakeSetupTest, AFullDiskOrAFailedRenameLeavesNoPackageAndNoTemporary) {
    struct Case {
        const char* what;
        std::size_t budget;
        int renameErrno;
        std::string filePath;
        int err;
    };
    const std::vector<Case> cases{
        {"no room at all", 0, 0, dir.path() + "zelto", ENOSPC},
        {"full inside the third record", files[0].size() + files[1].size() + 6 + 0 + 3 + 100, 0,
         dir.path() + "UserGuide.txt", ENOSPC},
        {"rename refused", static_cast<std::size_t>(-1), EACCES, dir.path() + "Setup.run", EACCES},
    };
    for (const Case& c : cases) {
        prompt.messages.clear();
        calls.writeBudget = c.budget;
        calls.renameErrno = c.renameErrno;
        EXPECT_FALSE(make()) << c.what;
        EXPECT_EQ(texts(), expectedFailure(c.filePath, c.err)) << c.what;
        EXPECT_EQ(folderNames().size(), 6U) << c.what;
        EXPECT_FALSE(dir.exists("Setup.run")) << c.what;
    }
}

TEST_F(MakeSetupTest, AFileTooLongForItsTrailerIsRefusedBeforeItIsRead) {
    // A sparse file: its length counts, yet it takes no room on disk.
    ASSERT_EQ(::truncate((dir.path() + "Help.txt").c_str(), kMaxRecordLength + 1), 0);
    EXPECT_FALSE(make());
    std::vector<std::string> expected{kTooBigText};
    for (std::string& t : expectedFailure(dir.path() + "Help.txt", EFBIG))
        expected.push_back(t);
    EXPECT_EQ(texts(), expected);
    EXPECT_FALSE(dir.exists("Setup.run"));
}

}  // namespace
}  // namespace zelto::package
