#pragma once

#include <string>

#include "screens/Progress.h"

namespace zelto::shell {

/// Where the installer started from `package` installs for this user: ~/Zelto/ and the
/// desktop folder the desktop session names.
package::InstallPlaces installPlaces(const std::string& package);

}  // namespace zelto::shell
