// The package walk, current and older packages: the records found must tile the package exactly,
// and each length trailer must read back the length it was written for.
#include <cstring>

#include "Fuzz.h"
#include "package/PackUnpack.h"

void zelto::fuzz::one(std::string_view package) {
    if (const auto records = package::FindPackageRecords(package)) {
        require(records->size() == package::kFileNames.size() ||
                records->size() == package::kOlderRecordCount);
        std::size_t next = 0;
        for (const package::Record& r : *records) {
            const std::size_t end = r.offset + r.length + package::kTrailerSize;
            require(r.offset == next && package::FindFileLength(package, end) == r.length);
            // What the unpacking writes out for the record.
            require(package.substr(r.offset, r.length).size() == r.length);
            next = end;
        }
        require(next == package.size());
    }
    if (package.size() >= 4) {
        std::uint32_t length = 0;
        std::memcpy(&length, package.data(), 4);
        const auto trailer = package::WriteLengthTrailer(length);
        require(trailer.has_value() == (length <= package::kMaxRecordLength));
        if (trailer) {
            const std::string_view bytes(reinterpret_cast<const char*>(trailer->data()),
                                         trailer->size());
            require(package::FindFileLength(bytes, bytes.size()) == length);
        }
    }
}
