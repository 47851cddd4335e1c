#pragma once

#include <optional>
#include <string>
#include <vector>

#include "profiles/Session.h"
#include "ui/Prompter.h"

namespace zelto::help {

inline constexpr const char* kHelpFile = "Help.txt";
inline constexpr const char* kUserGuideFile = "UserGuide.txt";
/// The section name that asks for the whole file, header lines included (lower case only).
inline constexpr const char* kWholeFile = "all";

/// The name of a header line ("[" first, "]" last, nothing trimmed), or nothing.
std::optional<std::string> headerName(const std::string& line);

/// The body of `section` in `lines` (first header matching without regard to case, up to the
/// next header), or every line for "all"; each line followed by CR LF, "" when absent.
std::string sectionText(const std::vector<std::string>& lines, const std::string& section);

/// Reads `section` of the program file `file` into `text`. Sets `s.FilePath`; a file that
/// cannot be read is reported through `p` and leaves `text` as it was.
void ReadSqBrackFile(profiles::Session& s, ui::Prompter& p, const std::string& file,
                     const std::string& section, std::string& text);

/// The same, returning the text ("" when the section or the file is missing).
std::string ReadSqBrackFile(profiles::Session& s, ui::Prompter& p, const std::string& file,
                            const std::string& section);

}  // namespace zelto::help
