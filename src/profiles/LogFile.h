#pragma once

#include <ctime>
#include <string>

#include "profiles/Session.h"
#include "ui/Prompter.h"

namespace zelto::profiles {

/// `folder` + `prefix` + month-day-year-hour-minute-second (no leading zeros, four-digit year,
/// hour 0-23) + ".Txt"; a missing '/' after the folder is added.
std::string timeStampedLogPath(const std::string& folder, const std::string& prefix,
                               const std::tm& t);

/// Names a new log in the program folder (into FilePath), asks `question` + that name under
/// "Log to File", and on Yes writes `text` + CR LF whole or not at all; a failure is reported
/// in the one file-error form once the wait pointer is gone.
void writeLogFile(Session& s, ui::Prompter& p, const std::string& prefix,
                  const std::string& question, const std::string& text, const std::tm& now);

}  // namespace zelto::profiles
