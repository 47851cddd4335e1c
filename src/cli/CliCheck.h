#pragma once

#include <memory>
#include <optional>
#include <string>

#include "cli/CliArguments.h"
#include "cli/CliReport.h"
#include "shell/FrmMain.h"

namespace zelto::cli {

/// One run of the checker over the main window model, driven as a user would drive the
/// window: the controls are set through their handlers and the outcome is read back from them.
class CliCheck {
  public:
    explicit CliCheck(shell::FrmMain& main);

    /// Start-up as the desktop program's (without the saved settings), the switch to In Office
    /// when asked, the display options ticked and the rows chosen. Returns why the run cannot
    /// happen (a test number the profile does not have), or nothing. A profile that fails to
    /// load ends the program through the model's ProgramEnd.
    std::optional<std::string> prepare(const CliOptions& options);

    /// Presses Run Tests once and reports what the window shows afterwards.
    RunReport run();

  private:
    /// Which row each piece of the results text was written for, seen as it is written.
    struct Recording;

    shell::FrmMain& main_;
    std::shared_ptr<Recording> recording_;
};

}  // namespace zelto::cli
