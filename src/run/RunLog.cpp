#include "run/RunLog.h"

#include <optional>

#include "profiles/LogFile.h"

namespace zelto::run {

std::string runLogPath(const std::string& installDir, const std::tm& t) {
    return profiles::timeStampedLogPath(installDir, "RunLog", t);
}

void PrintLog2_Click(profiles::Session& s, const ui::TextBox& results1, ui::Prompter& p,
                     const ui::Clock& clock) {
    profiles::writeLogFile(s, p, "RunLog",
                           "Do you want to write the contents of this screen a log file: ",
                           results1.text(), clock.localNow());
}

}  // namespace zelto::run
