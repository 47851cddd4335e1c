#pragma once

#include <string>

#include "profiles/ProfileContext.h"
#include "screens/ConfigureTests.h"

namespace zelto::profiles {

/// True when `text` is empty or spaces only, and then empties it; otherwise leaves it as is.
bool IsBlankText(std::string& text);

/// Copies the Configure Tests screen into the current slot (named tests with at least one
/// value, packed and renumbered), shows the slot on the main window and closes the screen.
/// A box the profile file could not hold back is named to the user and nothing is stored
/// (false).
bool ApplyEditedTests(ProfileContext& c, ConfigureTests& screen);

}  // namespace zelto::profiles
