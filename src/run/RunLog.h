#pragma once

#include <ctime>
#include <string>

#include "profiles/Session.h"
#include "ui/Clock.h"
#include "ui/Controls.h"
#include "ui/Prompter.h"

namespace zelto::run {

/// The run log's full name: `installDir` + "RunLog" + month-day-year-hour-minute-second (no
/// leading zeros, four-digit year, hour 0-23) + ".Txt".
std::string runLogPath(const std::string& installDir, const std::tm& t);

/// "Write results to Log": asks, then writes the results box's text and CR LF to a new run log
/// in the program folder; the name goes to `s.FilePath`; a failure is reported and leaves no
/// file.
void PrintLog2_Click(profiles::Session& s, const ui::TextBox& results1, ui::Prompter& p,
                     const ui::Clock& clock);

}  // namespace zelto::run
