// The package walk, current and older packages: the records found must tile the package exactly
// (so each lies wholly inside it).
// (Each length's trailer reading back is the package tests' exhaustive loop.)
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
            next = end;
        }
        require(next == package.size());
    }
}
