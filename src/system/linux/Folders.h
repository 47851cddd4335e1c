#pragma once

#include <optional>
#include <string>

#include "system/FileError.h"
#include "system/linux/SystemCalls.h"

namespace zelto::system {

/// Creates the folder `path` and any missing parents (mode 0755); a file in the way is
/// ENOTDIR.
std::optional<FileError> makeFolders(const std::string& path,
                                     SystemCalls& calls = realSystemCalls());

}  // namespace zelto::system
