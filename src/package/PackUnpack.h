#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelto::package {

/// The packed files in record order: the program first, then its support files and the
/// command-line checker.
inline constexpr std::array<const char*, 6> kFileNames{
    "zelto", "InOffice.ini", "OutofOffice.ini", "UserGuide.txt", "Help.txt", "zelto-cli"};
/// Packages built before the command-line checker was packed end with Help.txt.
inline constexpr std::size_t kOlderRecordCount = 5;
/// The package's own file name.
inline constexpr const char* kSetupName = "Setup.run";
/// The longest record a trailer can describe: trailer 255, 255, 254.
inline constexpr std::uint32_t kMaxRecordLength = 16646654;
inline constexpr std::size_t kTrailerSize = 3;

using Trailer = std::array<unsigned char, kTrailerSize>;

/// The trailer (c, q, r) for `length`, with length = c·65025 + q·255 + r; nothing when the
/// length is over kMaxRecordLength.
std::optional<Trailer> WriteLengthTrailer(std::uint32_t length);

/// The length held by the trailer whose last byte is at 1-based position `PL` of `package`;
/// nothing when the trailer would start before the package does.
std::optional<std::uint32_t> FindFileLength(std::string_view package, std::size_t PL);

/// Where one record's bytes lie in a package.
struct Record {
    std::size_t offset = 0;
    std::size_t length = 0;
    bool operator==(const Record&) const = default;
};

/// Walks `count` records back from the end of `package` and returns them in record order.
/// Nothing when the trailers do not describe exactly the whole package: a record reaching
/// before the start, or bytes left in front of the first record.
std::optional<std::vector<Record>> FindRecords(std::string_view package, std::size_t count);

/// The records of a package of either size, kFileNames.size() or kOlderRecordCount of them.
/// The trailers decide: they describe the whole package for exactly one of the two counts.
std::optional<std::vector<Record>> FindPackageRecords(std::string_view package);

}  // namespace zelto::package
