#pragma once

#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "profiles/TextFile.h"
#include "system/linux/Fd.h"
#include "system/linux/SystemCalls.h"

namespace zelto::package {

using profiles::FileError;

/// Writes a file beside `path` and renames it over `path` only when complete: a failure at
/// any point leaves the old file (or none) in place and no temporary behind.
class FileReplacement {
  public:
    FileReplacement(std::string path, system::SystemCalls& calls);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    /// Creates the temporary file.
    std::optional<FileError> open();
    /// Appends `bytes` to the temporary file.
    std::optional<FileError> write(std::string_view bytes);
    /// Gives the file `mode`, flushes it to disk and renames it into place.
    std::optional<FileError> commit(mode_t mode);

  private:
    void discard();

    std::string path_;
    std::string tmp_;
    system::SystemCalls& calls_;
    system::Fd fd_;
};

/// Writes `bytes` to `path` through a FileReplacement in one go.
std::optional<FileError> replaceFile(const std::string& path, std::string_view bytes, mode_t mode,
                                     system::SystemCalls& calls);

/// The whole content of a regular file, refused (EFBIG) when it is over `limit` bytes.
std::variant<std::string, FileError> readWholeFile(const std::string& path, std::size_t limit);

/// Creates `path` and any missing parent folders.
std::optional<FileError> makeFolders(const std::string& path, system::SystemCalls& calls);

}  // namespace zelto::package
