#include "package/PackUnpack.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace zelto::package {
namespace {

TEST(TrailerLimits, EveryLengthUpToTheMaximumRoundTripsAndNoneBeyond) {
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
        ASSERT_TRUE(t.has_value()) << n;
        ASSERT_LT((*t)[2], 255) << n;
        ASSERT_EQ(FindFileLength(std::string(t->begin(), t->end()), 3), n);
    }
    EXPECT_FALSE(WriteLengthTrailer(kMaxRecordLength + 1).has_value());
    EXPECT_FALSE(WriteLengthTrailer(UINT32_MAX).has_value());
}

TEST(TrailerLimits, AReaderSumsPartsWhateverTheirSplit) {
    // Another writer may put 255 in the last byte: the length is still the plain sum.
    const std::string t("\x01\xff\xff", 3);
    EXPECT_EQ(FindFileLength(t, 3), 65025U + 255U * 255U + 255U);
    EXPECT_FALSE(FindFileLength(t, 2).has_value());
    EXPECT_FALSE(FindFileLength(t, 4).has_value());
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
        {"first byte cut", good.substr(1)},
        {"last byte cut", good.substr(0, good.size() - 1)},
        {"data appended", good + "junk"},
        {"bytes in front", "X" + good},
        {"a length past the start", std::string("abc\0\0\x09", 6)},
        {"too few records", pack({"in", "out", "guide", "help"})},
        {"one record too many", pack({"x", "program", "in", "out", "guide", "help"})},
        {"huge last length", good.substr(0, good.size() - 3) + "\xff\xff\xfe"},
    };
    for (const auto& [what, package] : bad)
        EXPECT_FALSE(FindRecords(package, 5).has_value()) << what;
}

}  // namespace
}  // namespace zelto::package
