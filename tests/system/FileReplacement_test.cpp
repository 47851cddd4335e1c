#include "system/linux/FileReplacement.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "support/FailingCalls.h"
#include "support/TempDir.h"

namespace zelto::system {
namespace {

std::vector<std::string> entries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(d);
    }
    return names;
}

mode_t modeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

bool isLink(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

TEST(FileReplacement, KeepsTheOldModeAndGivesNewFilesTheUsualOne) {
    test::TempDir dir;
    const std::string path = dir.write("p.ini", "old");
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    ASSERT_FALSE(replaceFile(path, "new"));
    EXPECT_EQ(dir.read("p.ini"), "new");
    EXPECT_EQ(modeOf(path), 0600U);
    ASSERT_FALSE(replaceFile(dir.path() + "fresh", "x"));
    EXPECT_EQ(modeOf(dir.path() + "fresh"), 0644U);
    ASSERT_FALSE(replaceFile(dir.path() + "tool", "x", 0755));
    EXPECT_EQ(modeOf(dir.path() + "tool"), 0755U);
    EXPECT_EQ(entries(dir.path()).size(), 3U);  // no temporary left
}

TEST(FileReplacement, ReplacesWhatASymbolicLinkLeadsToAndKeepsTheLink) {
    test::TempDir links;
    test::TempDir targets;
    const std::string target = targets.write("real.ini", "old");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    // An absolute link, a relative one in the target's folder, and a chain through both.
    const std::string absolute = links.path() + "abs.ini";
    ASSERT_EQ(::symlink(target.c_str(), absolute.c_str()), 0);
    ASSERT_EQ(::symlink("real.ini", (targets.path() + "rel.ini").c_str()), 0);
    const std::string chain = links.path() + "chain.ini";
    ASSERT_EQ(::symlink((targets.path() + "rel.ini").c_str(), chain.c_str()), 0);

    for (const std::string& link : {absolute, targets.path() + "rel.ini", chain}) {
        ASSERT_FALSE(replaceFile(link, "via " + link)) << link;
        EXPECT_TRUE(isLink(link));
        EXPECT_EQ(targets.read("real.ini"), "via " + link);
        EXPECT_EQ(modeOf(target), 0640U);
    }
    EXPECT_EQ(entries(links.path()).size(), 2U);
    EXPECT_EQ(entries(targets.path()).size(), 2U);

    // A link to a file not made yet creates that file.
    const std::string dangling = links.path() + "later.ini";
    ASSERT_EQ(::symlink((targets.path() + "later.ini").c_str(), dangling.c_str()), 0);
    ASSERT_FALSE(replaceFile(dangling, "made"));
    EXPECT_TRUE(isLink(dangling));
    EXPECT_EQ(targets.read("later.ini"), "made");
}

TEST(FileReplacement, AFailureAtAnyStepLeavesTheOldFileWholeAndNoTemporary) {
    struct Step {
        const char* name;
        void (*fail)(test::FailingCalls&);
        int error;
    };
    const Step steps[] = {
        {"open", [](test::FailingCalls& c) { c.openErrno = EACCES; }, EACCES},
        {"write", [](test::FailingCalls& c) { c.writeBudget = 3; }, ENOSPC},
        {"fsync", [](test::FailingCalls& c) { c.fsyncErrno = EIO; }, EIO},
        {"rename", [](test::FailingCalls& c) { c.renameErrno = EACCES; }, EACCES},
    };
    for (const Step& step : steps) {
        test::TempDir dir;
        const std::string path = dir.write("p.ini", "old text");
        test::FailingCalls calls;
        step.fail(calls);
        const std::optional<FileError> error = replaceFile(path, "new text", std::nullopt, calls);
        ASSERT_TRUE(error) << step.name;
        EXPECT_EQ(error->number, step.error) << step.name;
        EXPECT_EQ(dir.read("p.ini"), "old text") << step.name;
        EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"p.ini"}) << step.name;
    }
}

}  // namespace
}  // namespace zelto::system
