#include "package/MakeSetup.h"

#include <gtest/gtest.h>
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
namespace fs = std::filesystem;
namespace {

struct MakeSetupTest : ::testing::Test {
    MakeSetupTest() {
        session.InstallDir = dir.path();
        for (std::size_t i = 0; i < kFileNames.size(); ++i)
            dir.write(kFileNames[i], files[i]);
    }
    bool make(const std::string& program = "zelto") {
        prompt.messages.clear();
        prompt.busyChanges.clear();
        return MakeSetup(session, dir.path() + program, prompt, calls);
    }
    std::string expected() const {
        std::string package;
        for (const std::string& f : files) {
            const Trailer t = *WriteLengthTrailer(static_cast<std::uint32_t>(f.size()));
            package += f + std::string(t.begin(), t.end());
        }
        return package;
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> t;
        for (const ui::Message& m : prompt.messages)
            t.push_back(m.text);
        return t;
    }
    std::vector<std::string> failure(const std::string& name, int err) const {
        return {profiles::fileErrorMessage(dir.path() + name, profiles::systemError(err)),
                kMakeSetupProblemText};
    }
    long entries() const { return std::distance(fs::directory_iterator(dir.path()), {}); }

    test::TempDir dir;
    profiles::Session session;
    ui::ScriptedPrompter prompt;
    test::FailingCalls calls;
    std::vector<std::string> files{"\177ELF\2 program",   "In Office\r\n", "",
                                   std::string(256, 'u'), "[DNS]\r\nhelp", "cli"};
};

TEST_F(MakeSetupTest, PacksEachFileWithItsTrailerAndABuildAgainReplacesThePackage) {
    ASSERT_TRUE(make());
    EXPECT_EQ(dir.read("Setup.run"), expected());
    EXPECT_EQ(texts(), std::vector<std::string>{setupCreatedText(dir.path())});
    EXPECT_EQ(prompt.busyChanges, (std::vector<bool>{true, false}));
    EXPECT_EQ(fs::status(dir.path() + "Setup.run").permissions(), fs::perms(0755));

    // The program record is the running executable whatever its name; nothing is appended.
    files[0] = "running program";
    files[1] = "changed";
    dir.write("Zelto-running", files[0]);
    dir.write("InOffice.ini", files[1]);
    ASSERT_TRUE(make("Zelto-running"));
    EXPECT_EQ(dir.read("Setup.run"), expected());
    EXPECT_EQ(entries(), 8) << "no temporary file is left";
}

TEST_F(MakeSetupTest, AnyFailureGivesTheTwoMessagesAndLeavesNoPackageNorTemporary) {
    ASSERT_TRUE(make());  // the old package goes too: it would be mistaken for the new one
    struct Case {
        std::size_t writeBudget;
        int renameErrno;
        const char* file;
        int err;
    };
    const std::size_t insideUserGuide = files[0].size() + files[1].size() + 3 * 3 + 100;
    for (const Case& c : std::vector<Case>{{0, 0, "zelto", ENOSPC},
                                           {insideUserGuide, 0, "UserGuide.txt", ENOSPC},
                                           {SIZE_MAX, EACCES, "Setup.run", EACCES}}) {
        calls.writeBudget = c.writeBudget;
        calls.renameErrno = c.renameErrno;
        EXPECT_FALSE(make()) << c.file;
        EXPECT_EQ(texts(), failure(c.file, c.err)) << c.file;
        EXPECT_EQ(entries(), 6) << c.file;
    }
    calls.renameErrno = 0;

    // A sparse file: its length counts, yet it takes no room on disk. It is refused unread.
    ASSERT_EQ(::truncate((dir.path() + "Help.txt").c_str(), kMaxRecordLength + 1), 0);
    EXPECT_FALSE(make());
    std::vector<std::string> tooBig = failure("Help.txt", EFBIG);
    tooBig.insert(tooBig.begin(), kTooBigText);
    EXPECT_EQ(texts(), tooBig);

    fs::remove(dir.path() + "UserGuide.txt");
    EXPECT_FALSE(make());
    EXPECT_EQ(texts(), failure("UserGuide.txt", ENOENT));
    EXPECT_EQ(session.FilePath, dir.path() + "UserGuide.txt");
    EXPECT_EQ(prompt.busyChanges, (std::vector<bool>{true, false}));
    EXPECT_EQ(entries(), 5);
}

}  // namespace
}  // namespace zelto::package
