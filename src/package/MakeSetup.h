#pragma once

#include <string>

#include "profiles/Session.h"
#include "system/linux/SystemCalls.h"
#include "ui/Prompter.h"

namespace zelto::package {

inline constexpr const char* kTooBigText = "setup has a problem.  Filelength too big";
inline constexpr const char* kMakeSetupProblemText =
    "Problem creating setup. Check for key files zelto, InOffice.ini, OutofOffice.ini, "
    "UserGuide.txt, Help.txt and zelto-cli";

/// The message that tells where the new package is, for the program folder `folder`.
std::string setupCreatedText(const std::string& folder);

/// Builds `Setup.run` in the program folder s.InstallDir: the program at `programPath`, then
/// the folder's support files and zelto-cli, each followed by its length trailer. Reports success
/// or the failure through `prompt`; a failed build leaves no Setup.run. True when it was built.
bool MakeSetup(profiles::Session& s, const std::string& programPath, ui::Prompter& prompt,
               system::SystemCalls& calls);

}  // namespace zelto::package
