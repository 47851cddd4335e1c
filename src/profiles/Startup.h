#pragma once

#include <functional>
#include <string>

#include "profiles/ProfileContext.h"

namespace zelto::profiles {

inline constexpr const char* kWrongNameText =
    "Setup.run must be copied to your PC to work. "
    "The .run must be named zelto or Setup.run. "
    "zelto is the actual program. "
    "Setup.run contains the program and support files and "
    "deploys zelto to ~/Zelto,along with the support files.";

/// The role from the executable's own file name: 0 to run as the checker, 1 when the installer
/// ran. A wrong name, or declining to install, ends the program.
int CheckExeName(const std::string& exePath, ui::Prompter& prompt, ui::ProgramEnd& end,
                 const std::function<void()>& runInstaller);

/// The program folder: the folder of the running executable, with a trailing '/'.
std::string programFolder(const std::string& exePath);

/// Click on the Out (0) / In (1) option: switch the profile, loading In Office on first use.
void OfficeOption_Click(ProfileContext& c, int index);

}  // namespace zelto::profiles
