#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "system/FileError.h"

namespace zelto::profiles {

using system::FileError;
using system::systemError;

/// The one form of a file error message: source "Zelto", the file, description and number.
std::string fileErrorMessage(const std::string& filePath, const FileError& error);

/// The exception being handled as a file error, for the last-resort handler of a front end:
/// a system error keeps its number, anything else is the language run-time's "Internal error"
/// (51) described by its own text. Call it only inside a catch block.
FileError currentExceptionError();

/// The largest text file the program reads (profiles, help, user guide); more is refused.
constexpr std::size_t kTextFileLimit = std::size_t{16} << 20;

/// Reads a text file's lines. A line ends at CR LF, a lone CR or a lone LF; a last line
/// without an ending counts; the text is kept as bytes. What is not a regular file, and every
/// read error, is an error.
struct ReadLinesResult {
    std::vector<std::string> lines;
    std::optional<FileError> error;
};
ReadLinesResult readLines(const std::string& path);

}  // namespace zelto::profiles
