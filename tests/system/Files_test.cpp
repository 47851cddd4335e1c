#include <gtest/gtest.h>
#include <sys/stat.h>

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

// A file is replaced in its own folder, also where a symbolic link leads (the link stays), and
// keeps its mode; a new file gets the usual mode or the one asked for.
TEST(FileReplacement, KeepsTheOldModeAndReplacesWhatASymbolicLinkLeadsTo) {
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
    ASSERT_FALSE(replaceFile(links.path() + "tool", "x", 0755));
    EXPECT_EQ(modeOf(target), 0640);
    EXPECT_EQ(modeOf(targets.path() + "later.ini"), 0644);
    EXPECT_EQ(modeOf(links.path() + "tool"), 0755);
    EXPECT_EQ(entries(targets.path()), 3);  // no temporary left
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

// Only regular files are read (a FIFO must not make the reader wait), whole, within the limit.
TEST(WholeFile, ReadsRegularFilesAndRefusesTheRestAtOnce) {
    test::TempDir dir;
    dir.write("text", "a\r\nb");
    dir.write("big", "abcde");
    fs::create_directory(dir.path() + "folder");
    ASSERT_EQ(::mkfifo((dir.path() + "fifo").c_str(), 0644), 0);
    const std::pair<const char*, int> cases[] = {
        {"text", 0}, {"big", EFBIG}, {"folder", EISDIR}, {"fifo", EINVAL}};
    for (const auto& [name, error] : cases) {
        const FileRead read = readWholeFile(dir.path() + name, 4);
        EXPECT_EQ(read.error ? read.error->number : 0, error) << name;
        EXPECT_EQ(read.bytes, error == 0 ? "a\r\nb" : "") << name;
    }
    // procfs says 0 bytes for a file that has content.
    EXPECT_TRUE(readWholeFile("/proc/self/status", 1 << 20).bytes.starts_with("Name:"));
}

}  // namespace
}  // namespace zelto::system
