#pragma once

#include <functional>
#include <string>

#include "netparams/NetParamsGatherer.h"
#include "probes/NetworkServices.h"
#include "profiles/ProfileContext.h"
#include "profiles/Session.h"
#include "run/TestSelection.h"
#include "shell/FrmMainControls.h"
#include "shell/SettingsStore.h"
#include "ui/Clock.h"
#include "ui/EventPump.h"
#include "ui/ProgramEnd.h"
#include "ui/Prompter.h"

namespace zelto::shell {

/// What the main window talks to outside itself; main() (or a test) provides each.
struct Platform {
    ui::Prompter& prompt;
    ui::ProgramEnd& end;
    probes::NetworkServices& probes;
    netparams::NetParamsGatherer& net;
    ui::EventPump& pump;
    const ui::Clock& clock;
    SettingsStore& settings;
};

/// The main window as a model: its controls and the handlers behind them. The widget binds to
/// `c`; tests and zelto-cli drive the handlers directly.
class FrmMain {
  public:
    FrmMain(profiles::Session& session, Platform platform);
    FrmMain(const FrmMain&) = delete;
    FrmMain& operator=(const FrmMain&) = delete;

    FrmMainControls c;

    profiles::ProfileContext& profiles() { return profileContext_; }
    profiles::Session& session() { return s_; }

    // Handlers, named as the controls and events they serve.
    void Form_Load();
    void Form_Unload();
    void OfficeOption_Click(int index);
    void RunTests_Click();
    void btnStopTest_Click();

    /// Runs once the window model exists: start-up steps 3 to 8 for the checker role.
    void startChecker();

  private:
    void wireHandlers();

    profiles::Session& s_;
    Platform p_;
    profiles::ProfileContext profileContext_;
    run::TestSelection selection_;
};

}  // namespace zelto::shell
