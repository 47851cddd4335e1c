#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zelto::profiles {

/// A failed file operation: the system's number and description of the error.
struct FileError {
    int number = 0;
    std::string description;
};

/// The one form of a file error message: source "Zelto", the file, description and number.
std::string fileErrorMessage(const std::string& filePath, const FileError& error);

/// Reads a text file's lines. A line ends at CR LF, a lone CR or a lone LF; a last line
/// without an ending counts; the text is kept as bytes.
struct ReadLinesResult {
    std::vector<std::string> lines;
    std::optional<FileError> error;
};
ReadLinesResult readLines(const std::string& path);

/// Replaces `path` with `content`, all or nothing: a temporary file in the same folder is
/// written, flushed to disk and renamed over the old one.
std::optional<FileError> writeFileAtomically(const std::string& path, const std::string& content);

/// The error for `errnum` as the system describes it.
FileError systemError(int errnum);

}  // namespace zelto::profiles
