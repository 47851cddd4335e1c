#include "run/RunLog.h"

#include <optional>

#include "profiles/TextFile.h"

namespace zelto::run {

std::string runLogPath(const std::string& installDir, const std::tm& t) {
    std::string path = installDir;
    if (!path.empty() && path.back() != '/')
        path += '/';
    path += "RunLog" + std::to_string(t.tm_mon + 1) + "-" + std::to_string(t.tm_mday) + "-" +
            std::to_string(t.tm_year + 1900) + "-" + std::to_string(t.tm_hour) + "-" +
            std::to_string(t.tm_min) + "-" + std::to_string(t.tm_sec) + ".Txt";
    return path;
}

void PrintLog2_Click(profiles::Session& s, const ui::TextBox& results1, ui::Prompter& p,
                     const ui::Clock& clock) {
    s.FilePath = runLogPath(s.InstallDir, clock.localNow());
    if (p.ask("Do you want to write the contents of this screen a log file: " + s.FilePath,
              ui::Buttons::YesNo, "Log to File") != ui::Answer::Yes) {
        return;
    }
    std::optional<profiles::FileError> error;
    {
        ui::BusyPointer busy(p);
        // Written whole or not at all: a full disk or a vanished folder must not leave a
        // truncated log that looks like a complete record of the run.
        error = profiles::writeFileAtomically(s.FilePath, results1.text() + "\r\n");
    }
    // The hourglass is gone before the message box, which waits for the user.
    if (error)
        p.tell(profiles::fileErrorMessage(s.FilePath, *error));
}

}  // namespace zelto::run
