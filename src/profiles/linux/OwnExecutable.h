#pragma once

#include <string>

namespace zelto::profiles {

/// The full path of the running executable as the user started it (symbolic links resolved),
/// for messages and the program folder; "" when the system cannot tell.
std::string ownExecutablePath();

}  // namespace zelto::profiles
