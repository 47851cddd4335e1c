#include "package/PackUnpack.h"

namespace zelto::package {

std::optional<Trailer> WriteLengthTrailer(std::uint32_t length) {
    // The split keeps q at most 255 and r below 255; readers only ever sum the parts, so
    // packages made by other writers of the format still read back.
    std::uint32_t n = length;
    std::uint32_t c = 0;
    while (n / 255 > 255) {
        ++c;
        if (c > 255)
            return std::nullopt;
        n -= 65025;
    }
    const std::uint32_t q = n / 255;
    const std::uint32_t r = n - 255 * q;
    return Trailer{static_cast<unsigned char>(c), static_cast<unsigned char>(q),
                   static_cast<unsigned char>(r)};
}

std::optional<std::uint32_t> FindFileLength(std::string_view package, std::size_t PL) {
    if (PL < kTrailerSize || PL > package.size())
        return std::nullopt;
    auto byte = [&](std::size_t pos1) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(package[pos1 - 1]));
    };
    return byte(PL - 2) * 65025 + byte(PL - 1) * 255 + byte(PL);
}

std::optional<std::vector<Record>> FindRecords(std::string_view package, std::size_t count) {
    std::vector<Record> records(count);
    std::size_t end = package.size();
    for (std::size_t i = count; i-- > 0;) {
        std::optional<std::uint32_t> length = FindFileLength(package, end);
        // A damaged or cut package must be refused here, before any file is written, instead
        // of unpacking garbage over a working installation.
        if (!length || *length > end - kTrailerSize)
            return std::nullopt;
        end -= kTrailerSize + *length;
        records[i] = {end, *length};
    }
    if (end != 0)
        return std::nullopt;
    return records;
}

std::optional<std::vector<Record>> FindPackageRecords(std::string_view package) {
    if (auto records = FindRecords(package, kFileNames.size()))
        return records;
    return FindRecords(package, kOlderRecordCount);
}

}  // namespace zelto::package
