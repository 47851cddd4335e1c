// The package format's trailers and records, and Make Setup building a package.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "package/MakeSetup.h"
#include "package/PackUnpack.h"
#include "profiles/TextFile.h"
#include "support/FailingCalls.h"
#include "support/TempDir.h"

namespace zelto::package {
namespace fs = std::filesystem;
namespace {

TEST(Trailer, EveryLengthUpToTheMaximumRoundTripsAndAReaderSumsWhateverTheSplit) {
    // At each carry r stays below 255, q at most 255, and c as small as it can be.
    const std::vector<std::pair<std::uint32_t, Trailer>> edges{
        {0, {0, 0, 0}},         {254, {0, 0, 254}}, {255, {0, 1, 0}},
        {65279, {0, 255, 254}}, {65280, {1, 1, 0}}, {kMaxRecordLength, {255, 255, 254}}};
    for (const auto& [n, trailer] : edges)
        EXPECT_EQ(WriteLengthTrailer(n), trailer) << n;
    // Every length through the first carries of c, then a stride that still meets every
    // residue of 255 and 65025 many times over the whole range.
    for (std::uint32_t n = 0; n <= kMaxRecordLength; n += n < 140000 ? 1 : 251) {
        const std::optional<Trailer> t = WriteLengthTrailer(n);
        ASSERT_TRUE(t && (*t)[2] < 255) << n;
        ASSERT_EQ(FindFileLength(std::string(t->begin(), t->end()), 3), n);
    }
    EXPECT_FALSE(WriteLengthTrailer(kMaxRecordLength + 1).has_value());
    // Another writer may put 255 in the last byte: the length is still the plain sum.
    const std::string other("\x01\xff\xff", 3);
    EXPECT_EQ(FindFileLength(other, 3), 65025U + 255U * 255U + 255U);
    EXPECT_FALSE(FindFileLength(other, 2) || FindFileLength(other, 4));
}

std::string pack(const std::vector<std::string>& files) {
    std::string out;
    for (const std::string& f : files) {
        const Trailer t = *WriteLengthTrailer(static_cast<std::uint32_t>(f.size()));
        out += f + std::string(t.begin(), t.end());
    }
    return out;
}

TEST(FindRecords, ReadsEveryRecordBackOnlyWhenTheTrailersDescribeTheWholeFile) {
    const std::vector<std::string> files{"\177ELF program", "", std::string(255, 'o'),
                                         std::string(65280, 'g'), std::string("\0\1\2", 3)};
    const std::string good = pack(files);
    const std::optional<std::vector<Record>> records = FindRecords(good, files.size());
    ASSERT_TRUE(records.has_value());
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(good.substr((*records)[i].offset, (*records)[i].length), files[i]) << i;

    const std::vector<std::pair<const char*, std::string>> bad{
        {"last byte cut", good.substr(0, good.size() - 1)},
        {"data appended", good + "junk"},
        {"bytes in front", "X" + good},
        {"a length past the start", std::string("abc\0\0\x04", 6)},
        {"too few records", pack({"in", "out", "guide", "help"})},
        {"one record too many", pack({"x", "program", "in", "out", "guide", "help"})},
    };
    for (const auto& [what, package] : bad)
        EXPECT_FALSE(FindRecords(package, 5).has_value()) << what;
}

TEST(MakeSetup, PacksEveryFileOrLeavesNoPackageAndSaysWhy) {
    test::TempDir dir;
    profiles::Session session;
    session.InstallDir = dir.path();
    ui::ScriptedPrompter prompt;
    test::FailingCalls calls;
    std::vector<std::string> files{"\177ELF\2 program",   "In Office\r\n", "",
                                   std::string(256, 'u'), "[DNS]\r\nhelp", "cli"};
    for (std::size_t i = 0; i < kFileNames.size(); ++i)
        dir.write(kFileNames[i], files[i]);
    // One build's messages, once its outcome, the pointer and the folder's entries are checked:
    // no temporary is ever left, and a failure leaves no package either.
    const auto make = [&](bool made, long entries, const std::string& program = "zelto") {
        prompt = {};
        EXPECT_EQ(MakeSetup(session, dir.path() + program, prompt, calls), made);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), entries);
        EXPECT_EQ(prompt.busyChanges, (std::vector<bool>{true, false}));
        std::vector<std::string> texts;
        for (const ui::Message& m : prompt.messages)
            texts.push_back(m.text);
        return texts;
    };
    const auto failure = [&](const std::string& name, int err) {
        return std::vector<std::string>{
            profiles::fileErrorMessage(dir.path() + name, profiles::systemError(err)),
            kMakeSetupProblemText};
    };
    EXPECT_EQ(make(true, 7), std::vector<std::string>{setupCreatedText(dir.path())});
    EXPECT_EQ(dir.read("Setup.run"), pack(files));
    EXPECT_EQ(fs::status(dir.path() + "Setup.run").permissions(), fs::perms(0755));
    // The program record is the running executable whatever its name; nothing is appended.
    files[0] = "running program";
    files[1] = "changed";
    dir.write("Zelto-running", files[0]);
    dir.write("InOffice.ini", files[1]);
    make(true, 8, "Zelto-running");
    EXPECT_EQ(dir.read("Setup.run"), pack(files));

    // A full disk inside the fourth record, a refused rename: the old package goes too, as it
    // would be mistaken for the new one.
    calls.writeBudget = files[0].size() + files[1].size() + 3 * 3 + 100;
    EXPECT_EQ(make(false, 7), failure("UserGuide.txt", ENOSPC));
    calls.writeBudget = SIZE_MAX;
    calls.renameErrno = EACCES;
    EXPECT_EQ(make(false, 7), failure("Setup.run", EACCES));
    calls.renameErrno = 0;
    // A sparse file: its length counts, yet it takes no room on disk. It is refused unread.
    ASSERT_EQ(::truncate((dir.path() + "Help.txt").c_str(), kMaxRecordLength + 1), 0);
    std::vector<std::string> tooBig = failure("Help.txt", EFBIG);
    tooBig.insert(tooBig.begin(), kTooBigText);
    EXPECT_EQ(make(false, 7), tooBig);
    fs::remove(dir.path() + "UserGuide.txt");
    EXPECT_EQ(make(false, 6), failure("UserGuide.txt", ENOENT));
    EXPECT_EQ(session.FilePath, dir.path() + "UserGuide.txt");
}

}  // namespace
}  // namespace zelto::package
