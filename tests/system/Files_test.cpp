#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include "support/FailingCalls.h"
#include "support/TempDir.h"
#include "system/linux/FileReplacement.h"
#include "system/linux/WholeFile.h"

namespace zelto::system {
namespace {

namespace fs = std::filesystem;

int modeOf(const std::string& path) {
    return static_cast<int>(fs::status(path).permissions());
}

std::ptrdiff_t entries(const std::string& folder) {
    return std::distance(fs::directory_iterator(folder), fs::directory_iterator());
}

TEST(FileReplacement, KeepsTheOldModeAndGivesNewFilesTheUsualOne) {
    test::TempDir dir;
    const std::string path = dir.write("p.ini", "old");
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    ASSERT_FALSE(replaceFile(path, "new"));
    ASSERT_FALSE(replaceFile(dir.path() + "fresh", "x"));
    ASSERT_FALSE(replaceFile(dir.path() + "tool", "x", 0755));
    EXPECT_EQ(dir.read("p.ini"), "new");
    EXPECT_EQ(modeOf(path), 0600);
    EXPECT_EQ(modeOf(dir.path() + "fresh"), 0644);
    EXPECT_EQ(modeOf(dir.path() + "tool"), 0755);
    EXPECT_EQ(entries(dir.path()), 3);  // no temporary left
}

TEST(FileReplacement, ReplacesWhatASymbolicLinkLeadsToAndKeepsTheLink) {
    test::TempDir links;
    test::TempDir targets;
    const std::string target = targets.write("real.ini", "old");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    // A relative link in the target's folder, an absolute one, a chain through both, and a
    // link to a file not made yet.
    const std::string relative = targets.path() + "rel.ini";
    for (const auto& [link, to] : {std::pair{relative, std::string("real.ini")},
                                   {links.path() + "abs.ini", target},
                                   {links.path() + "chain.ini", relative},
                                   {links.path() + "later.ini", targets.path() + "later.ini"}}) {
        fs::create_symlink(to, link);
        ASSERT_FALSE(replaceFile(link, link)) << link;
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(readWholeFile(link, 1000).bytes, link);
    }
    EXPECT_EQ(modeOf(target), 0640);
    EXPECT_EQ(entries(links.path()), 3);
    EXPECT_EQ(entries(targets.path()), 3);
}

TEST(Files, AFailedCallGivesItsErrnoAndLeavesTheOldFileWholeWithNoTemporary) {
    const struct {
        const char* step;
        void (*fail)(test::FailingCalls&);
        int error;
        bool replace;  // else read
    } steps[] = {
        {"open", [](test::FailingCalls& c) { c.openErrno = EACCES; }, EACCES, true},
        {"write", [](test::FailingCalls& c) { c.writeBudget = 3; }, ENOSPC, true},
        {"fsync", [](test::FailingCalls& c) { c.fsyncErrno = EIO; }, EIO, true},
        {"rename", [](test::FailingCalls& c) { c.renameErrno = EACCES; }, EACCES, true},
        {"open", [](test::FailingCalls& c) { c.openErrno = EACCES; }, EACCES, false},
        {"read", [](test::FailingCalls& c) { c.readErrno = EIO; }, EIO, false},
    };
    for (const auto& step : steps) {
        test::TempDir dir;
        const std::string path = dir.write("p.ini", "old text");
        test::FailingCalls calls;
        step.fail(calls);
        const std::optional<FileError> error =
            step.replace ? replaceFile(path, "new text", std::nullopt, calls)
                         : readWholeFile(path, 100, calls).error;
        ASSERT_TRUE(error) << step.step;
        EXPECT_EQ(error->number, step.error) << step.step;
        EXPECT_EQ(dir.read("p.ini"), "old text") << step.step;
        EXPECT_EQ(entries(dir.path()), 1) << step.step;
    }
}

TEST(WholeFile, ReadsRegularFilesAndRefusesTheRestAtOnce) {
    test::TempDir dir;
    dir.write("text", "a\r\nb");
    dir.write("empty", "");
    dir.write("big", "abcde");
    fs::create_directory(dir.path() + "folder");
    ASSERT_EQ(::mkfifo((dir.path() + "fifo").c_str(), 0644), 0);  // a reader must not wait
    fs::create_symlink("/dev/zero", dir.path() + "device");
    const struct {
        const char* name;
        int error;
        const char* bytes;
    } cases[] = {{"text", 0, "a\r\nb"},   {"empty", 0, ""},       {"big", EFBIG, ""},
                 {"missing", ENOENT, ""}, {"folder", EISDIR, ""}, {"fifo", EINVAL, ""},
                 {"device", EINVAL, ""}};
    for (const auto& c : cases) {
        const FileRead read = readWholeFile(dir.path() + c.name, 4);
        EXPECT_EQ(read.error ? read.error->number : 0, c.error) << c.name;
        EXPECT_EQ(read.bytes, c.bytes) << c.name;
    }
    // procfs says 0 bytes for a file that has content.
    EXPECT_TRUE(readWholeFile("/proc/self/status", 1 << 20).bytes.starts_with("Name:"));
}

}  // namespace
}  // namespace zelto::system
