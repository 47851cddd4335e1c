#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "system/FileError.h"
#include "system/linux/SystemCalls.h"

namespace zelto::system {

/// A whole file's bytes, or why they could not be read.
struct FileRead {
    std::string bytes;
    std::optional<FileError> error;
    /// Modification time in seconds since 1970.
    long long modified = 0;
};

/// Reads the regular file `path` whole. Anything else is refused without waiting on it: a
/// folder with EISDIR; a FIFO, device or socket with EINVAL. A file over `limit` bytes is
/// refused with EFBIG without reading it all. Every failed call gives its errno.
FileRead readWholeFile(const std::string& path, std::size_t limit,
                       SystemCalls& calls = realSystemCalls());

}  // namespace zelto::system
