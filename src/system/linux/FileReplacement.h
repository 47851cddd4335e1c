#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

#include "system/FileError.h"
#include "system/linux/Fd.h"
#include "system/linux/SystemCalls.h"

namespace zelto::system {

/// Writes a new version of a file and puts it in place only when it is complete: a failure at
/// any point leaves the old file (or none) and no temporary behind. When the path is a
/// symbolic link, the file it leads to is replaced and the link stays.
class FileReplacement {
  public:
    explicit FileReplacement(std::string path, SystemCalls& calls = realSystemCalls());
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    /// Creates the temporary file in the folder of the file that is replaced.
    std::optional<FileError> open();
    /// Appends `bytes` to the temporary file.
    std::optional<FileError> write(std::string_view bytes);
    /// Gives the file `mode` (without one: the old file's mode, 0644 for a new file), flushes
    /// it to disk, renames it into place and flushes the folder.
    std::optional<FileError> commit(std::optional<mode_t> mode = std::nullopt);

  private:
    void discard();

    std::string path_;
    std::string target_;
    std::string tmp_;
    SystemCalls& calls_;
    Fd fd_;
};

/// Replaces `path` with `bytes` through a FileReplacement in one go.
std::optional<FileError> replaceFile(const std::string& path, std::string_view bytes,
                                     std::optional<mode_t> mode = std::nullopt,
                                     SystemCalls& calls = realSystemCalls());

}  // namespace zelto::system
