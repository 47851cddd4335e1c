#pragma once

#include <istream>
#include <optional>
#include <ostream>
#include <string>

namespace zelto::shell {

/// True when a desktop session can show windows: DISPLAY or WAYLAND_DISPLAY is set.
bool hasDisplay();

/// The start-up name check and the installer as a dialogue on a terminal, for a PC reached
/// over SSH or a configuration-management run: messages and status lines go to `out`, each
/// question is answered by a line of `in`. The exit status when the program ran as the
/// installer or ended; nothing when it is the checker, which needs the desktop.
std::optional<int> runTerminalSetup(const std::string& exePath, std::istream& in,
                                    std::ostream& out);

}  // namespace zelto::shell
