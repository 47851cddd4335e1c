#include "profiles/LogFile.h"

#include "profiles/TextFile.h"
#include "system/linux/FileReplacement.h"

namespace zelto::profiles {

std::string timeStampedLogPath(const std::string& folder, const std::string& prefix,
                               const std::tm& t) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/')
        path += '/';
    path += prefix + std::to_string(t.tm_mon + 1) + "-" + std::to_string(t.tm_mday) + "-" +
            std::to_string(t.tm_year + 1900) + "-" + std::to_string(t.tm_hour) + "-" +
            std::to_string(t.tm_min) + "-" + std::to_string(t.tm_sec) + ".Txt";
    return path;
}

void writeLogFile(Session& s, ui::Prompter& p, const std::string& prefix,
                  const std::string& question, const std::string& text, const std::tm& now) {
    s.FilePath = timeStampedLogPath(s.InstallDir, prefix, now);
    if (p.ask(question + s.FilePath, ui::Buttons::YesNo, "Log to File") != ui::Answer::Yes) {
        return;
    }
    std::optional<FileError> error;
    {
        ui::BusyPointer busy(p);
        // Written whole or not at all: a full disk or a vanished folder must not leave a
        // truncated log that passes for a complete record.
        error = system::replaceFile(s.FilePath, text + "\r\n");
    }
    // The hourglass is gone before the message box, which waits for the user.
    if (error)
        p.tell(fileErrorMessage(s.FilePath, *error));
}

}  // namespace zelto::profiles
