#include "system/linux/WholeFile.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>

#include "support/FailingCalls.h"
#include "support/TempDir.h"
#include "system/linux/Fd.h"

namespace zelto::system {
namespace {

struct Case {
    const char* name;
    // Puts something at the path; false when the test cannot make it here.
    std::function<bool(const std::string& path, Fd& keep)> make;
    std::size_t limit;
    int error;  // 0: read
    const char* bytes;
};

bool makeSocket(const std::string& path, Fd& keep) {
    keep.reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return ::bind(keep.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

bool writeText(const std::string& path, const char* text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

class WholeFileTest : public ::testing::TestWithParam<Case> {};

TEST_P(WholeFileTest, ReadsRegularFilesAndRefusesTheRestAtOnce) {
    const Case& c = GetParam();
    test::TempDir dir;
    const std::string path = dir.path() + "file";
    Fd keep;
    if (!c.make(path, keep))
        GTEST_SKIP() << "cannot make " << c.name << " here";
    const FileRead read = readWholeFile(path, c.limit);
    if (c.error == 0) {
        ASSERT_FALSE(read.error) << read.error->description;
        EXPECT_EQ(read.bytes, c.bytes);
    } else {
        ASSERT_TRUE(read.error);
        EXPECT_EQ(read.error->number, c.error);
        EXPECT_EQ(read.error->description, std::strerror(c.error));
        EXPECT_TRUE(read.bytes.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, WholeFileTest,
    ::testing::Values(
        Case{"Regular", [](auto& p, auto&) { return writeText(p, "a\r\nb"); }, 4, 0, "a\r\nb"},
        Case{"Empty", [](auto& p, auto&) { return writeText(p, ""); }, 4, 0, ""},
        Case{"OverTheLimit", [](auto& p, auto&) { return writeText(p, "abcde"); }, 4, EFBIG, ""},
        Case{"Missing", [](auto&, auto&) { return true; }, 4, ENOENT, ""},
        Case{"Folder", [](auto& p, auto&) { return ::mkdir(p.c_str(), 0755) == 0; }, 4, EISDIR, ""},
        // Opening a FIFO for reading waits for a writer: the reader must not.
        Case{"Fifo", [](auto& p, auto&) { return ::mkfifo(p.c_str(), 0644) == 0; }, 4, EINVAL, ""},
        Case{"Device", [](auto& p, auto&) { return ::symlink("/dev/zero", p.c_str()) == 0; }, 4,
             EINVAL, ""},
        Case{"Socket", makeSocket, 4, ENXIO, ""}),
    [](const auto& p) { return p.param.name; });

TEST(WholeFile, ReadsKernelFilesThatGiveNoSize) {
    // procfs says 0 bytes for a file that has content.
    const FileRead read = readWholeFile("/proc/self/status", 1 << 20);
    ASSERT_FALSE(read.error);
    EXPECT_TRUE(read.bytes.starts_with("Name:"));
}

TEST(WholeFile, EveryFailedCallGivesItsErrno) {
    test::TempDir dir;
    const std::string path = dir.write("file", "text");
    for (const int err : {EACCES, EIO}) {
        test::FailingCalls open;
        open.openErrno = err;
        test::FailingCalls read;
        read.readErrno = err;
        for (test::FailingCalls* calls : {&open, &read}) {
            const FileRead result = readWholeFile(path, 100, *calls);
            ASSERT_TRUE(result.error);
            EXPECT_EQ(result.error->number, err);
            EXPECT_TRUE(result.bytes.empty());
        }
    }
}

}  // namespace
}  // namespace zelto::system
