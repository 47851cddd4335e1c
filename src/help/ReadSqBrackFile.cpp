#include "help/ReadSqBrackFile.h"

#include "profiles/TestTable.h"
#include "profiles/TextFile.h"

namespace zelto::help {

std::optional<std::string> headerName(const std::string& line) {
    // "[Gateway] " is body text: a help desk may quote a header inside a section.
    if (line.size() < 2 || line.front() != '[' || line.back() != ']')
        return std::nullopt;
    return line.substr(1, line.size() - 2);
}

std::string sectionText(const std::vector<std::string>& lines, const std::string& section) {
    std::string text;
    if (section == kWholeFile) {
        for (const std::string& line : lines)
            text.append(line).append("\r\n");
        return text;
    }
    const std::string wanted = profiles::lower(section);
    auto it = lines.begin();
    for (; it != lines.end(); ++it) {
        const std::optional<std::string> name = headerName(*it);
        if (name && profiles::lower(*name) == wanted)
            break;
    }
    if (it == lines.end())
        return text;
    for (++it; it != lines.end() && !headerName(*it); ++it)
        text.append(*it).append("\r\n");
    return text;
}

void ReadSqBrackFile(profiles::Session& s, ui::Prompter& p, const std::string& file,
                     const std::string& section, std::string& text) {
    s.FilePath = s.InstallDir + file;
    // Read afresh on every lookup, so that the help desk's edits show at once.
    const profiles::ReadLinesResult read = profiles::readLines(s.FilePath);
    if (read.error) {
        p.tell(profiles::fileErrorMessage(s.FilePath, *read.error));
        return;
    }
    text = sectionText(read.lines, section);
}

std::string ReadSqBrackFile(profiles::Session& s, ui::Prompter& p, const std::string& file,
                            const std::string& section) {
    std::string text;
    ReadSqBrackFile(s, p, file, section, text);
    return text;
}

}  // namespace zelto::help
