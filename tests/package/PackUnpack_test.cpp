#include "package/PackUnpack.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zelto::package {
namespace {

struct Encoding {
    std::uint32_t length;
    Trailer trailer;
};

class TrailerEncoding : public ::testing::TestWithParam<Encoding> {};

TEST_P(TrailerEncoding, WritesTheTrailerAndReadsTheLengthBack) {
    const Encoding& e = GetParam();
    std::optional<Trailer> t = WriteLengthTrailer(e.length);
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(*t, e.trailer);
    const std::string bytes(t->begin(), t->end());
    EXPECT_EQ(FindFileLength(bytes, 3), e.length);
}

INSTANTIATE_TEST_SUITE_P(EdgeLengths, TrailerEncoding,
                         ::testing::Values(Encoding{0, {0, 0, 0}}, Encoding{254, {0, 0, 254}},
                                           Encoding{255, {0, 1, 0}}, Encoding{256, {0, 1, 1}},
                                           Encoding{322, {0, 1, 67}}, Encoding{13809, {0, 54, 39}},
                                           Encoding{65279, {0, 255, 254}},
                                           Encoding{65280, {1, 1, 0}}, Encoding{65535, {1, 2, 0}},
                                           Encoding{65536, {1, 2, 1}},
                                           Encoding{124688, {1, 233, 248}},
                                           Encoding{303104, {4, 168, 164}},
                                           Encoding{kMaxRecordLength, {255, 255, 254}}));

TEST(TrailerLimits, EveryLengthUpToTheMaximumRoundTripsAndNoneBeyond) {
    // Every length through the first carries of c, then a stride that still meets every
    // residue of 255 and 65025 many times over the whole range.
    for (std::uint32_t n = 0; n <= kMaxRecordLength; n += n < 140000 ? 1 : 251) {
        std::optional<Trailer> t = WriteLengthTrailer(n);
        ASSERT_TRUE(t.has_value()) << n;
        ASSERT_LT((*t)[2], 255) << n;
        const std::uint32_t back = (*t)[0] * 65025U + (*t)[1] * 255U + (*t)[2];
        ASSERT_EQ(back, n);
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
        out += f;
        Trailer t = *WriteLengthTrailer(static_cast<std::uint32_t>(f.size()));
        out.append(t.begin(), t.end());
    }
    return out;
}

TEST(FindRecords, ReadsRecordsBackInOrderFromTheEnd) {
    const std::vector<std::string> files{
        "\x7f"
        "ELF program",
        "", std::string(255, 'o'), std::string(65280, 'g'), std::string("\0\1\2", 3)};
    const std::string package = pack(files);
    EXPECT_EQ(package.size(), 12 + 255 + 65280 + 3 + 5 * kTrailerSize);
    std::optional<std::vector<Record>> records = FindRecords(package, files.size());
    ASSERT_TRUE(records.has_value());
    ASSERT_EQ(records->size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(package.substr((*records)[i].offset, (*records)[i].length), files[i]) << i;
    EXPECT_EQ((*records)[0].offset, 0U);
}

TEST(FindRecords, RefusesPackagesWhoseTrailersDoNotDescribeTheWholeFile) {
    const std::string good = pack({"program", "in", "out", "guide", "help"});
    const std::vector<std::pair<const char*, std::string>> bad{
        {"empty", ""},
        {"shorter than a trailer", std::string("\0\0", 2)},
        {"first byte cut", good.substr(1)},
        {"last byte cut", good.substr(0, good.size() - 1)},
        {"data appended", good + "junk"},
        {"bytes in front", "X" + good},
        {"a length past the start", std::string("abc") + "\x00\x00\x09"},
        {"too few records", pack({"in", "out", "guide", "help"})},
        {"one record too many", pack({"x", "program", "in", "out", "guide", "help"})},
        {"huge last length", good.substr(0, good.size() - 3) + "\xff\xff\xfe"},
    };
    for (const auto& [what, package] : bad)
        EXPECT_FALSE(FindRecords(package, 5).has_value()) << what;
    EXPECT_TRUE(FindRecords(good, 5).has_value());
}

}  // namespace
}  // namespace zelto::package
