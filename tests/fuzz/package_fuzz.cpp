// The package walk, current and older packages: the records found must tile the package exactly,
// and each length trailer must read back the length it was written for.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "ScratchFolder.h"
#include "package/PackUnpack.h"

using namespace zelto;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view package = fuzz::asText(data, size);
    const auto records = package::FindPackageRecords(package);
    if (records) {
        if (records->size() != package::kFileNames.size() &&
            records->size() != package::kOlderRecordCount)
            std::abort();
        std::size_t next = 0;
        for (const package::Record& r : *records) {
            const std::optional<std::uint32_t> length =
                package::FindFileLength(package, r.offset + r.length + package::kTrailerSize);
            if (r.offset != next || !length || *length != r.length)
                std::abort();
            next = r.offset + r.length + package::kTrailerSize;
            // What the unpacking writes out for the record.
            if (package.substr(r.offset, r.length).size() != r.length)
                std::abort();
        }
        if (next != package.size())
            std::abort();
    }

    if (size >= 4) {
        std::uint32_t length = 0;
        std::memcpy(&length, data, 4);
        const auto trailer = package::WriteLengthTrailer(length);
        if (trailer.has_value() != (length <= package::kMaxRecordLength))
            std::abort();
        if (trailer) {
            const std::string_view bytes(reinterpret_cast<const char*>(trailer->data()),
                                         trailer->size());
            if (package::FindFileLength(bytes, bytes.size()) != length)
                std::abort();
        }
    }
    return 0;
}
