#pragma once

#include <functional>
#include <string>

#include "netparams/GetNetParams.h"
#include "netparams/NetParamsGatherer.h"
#include "probes/NetworkServices.h"
#include "profiles/ProfileContext.h"
#include "profiles/Session.h"
#include "run/Continuous.h"
#include "run/Engine.h"
#include "run/ResultsBox.h"
#include "run/TestSelection.h"
#include "run/TrayActions.h"
#include "screens/ConfigureTests.h"
#include "screens/NetParmsText.h"
#include "screens/User_Guide.h"
#include "shell/FrmMainControls.h"
#include "shell/SettingsStore.h"
#include "shell/Tray.h"
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
    TrayHost& tray;
};

/// The main window as a model: its controls and the handlers behind them. The widget binds to
/// `controls`; tests and zelto-cli drive the handlers directly.
class FrmMain {
  public:
    FrmMain(profiles::Session& session, Platform platform);
    FrmMain(const FrmMain&) = delete;
    FrmMain& operator=(const FrmMain&) = delete;

    FrmMainControls controls;

    profiles::ProfileContext& profiles() { return profileContext_; }
    profiles::Session& session() { return session_; }
    run::Engine& engine() { return engine_; }
    const Tray& tray() const { return tray_; }
    /// The help and user guide screen, and the Network Parameters screen.
    help::User_Guide& userGuide() { return userGuide_; }
    netparams::NetParmsText& netParmsText() { return netParmsText_; }
    /// The Configure Tests screen.
    profiles::ConfigureTests& configureTests() { return configureTests_; }

    // Handlers, named as the controls and events they serve.
    void Form_Load();
    void Form_Unload();
    void OfficeOption_Click(int index);
    void RunTests_Click();
    void btnStopTest_Click();
    /// A red cross: help on its test, on the address, or on Loop Back when that failed.
    void help1_Click(int index);
    void Open_UserGuide_Click();
    void NetParms_Click();
    /// "Configure Tests": stops a run in progress and opens the editor on the current profile.
    void DisplayTestSetup_Click();
    /// A mouse action on the tray icon.
    void trayActivated(Activation how);
    /// What every gather of the network parameters shows on this window.
    void applyGatherOutcome(const netparams::GatherOutcome& outcome);

    /// Runs once the window model exists: start-up steps 3 to 8 for the checker role.
    void startChecker();
    /// Start-up steps 3 to 7 only: the window prepared and Out of Office loaded and shown,
    /// without the user's saved settings (zelto-cli).
    void showChecker();

    /// The system ends the program (a signal, the desktop session's quit): Form_Unload, or,
    /// before start-up has restored the saved settings, the same end without saving them.
    void endBySystem();
    /// The desktop session asks for the data to be saved before it may end: the settings.
    void commitData();

  private:
    void wireHandlers();
    void wireScreens();

    /// The engine's view of the tray.
    class TrayForRuns : public run::TrayActions {
      public:
        explicit TrayForRuns(Tray& tray) : tray_(tray) {}
        void SetTrayIcon(int iconId, const std::string& tip) override {
            tray_.SetTrayIcon(iconId, tip);
        }
        void ShowTrayBalloon(const std::string& tip, const std::string& info, int timeout,
                             const std::string& title, int infoFlags) override {
            tray_.ShowTrayBalloon(tip, info, timeout, title, infoFlags);
        }
        void mnuShow_Click() override { tray_.mnuShow_Click(); }

      private:
        Tray& tray_;
    };

    profiles::Session& session_;
    Platform platform_;
    profiles::ProfileContext profileContext_;
    run::TestSelection selection_;
    run::ResultsBox results_;
    Tray tray_;
    TrayForRuns trayForRuns_;
    run::Engine engine_;
    run::Continuous continuous_;
    help::User_Guide userGuide_;
    netparams::NetParmsText netParmsText_;
    profiles::ConfigureTests configureTests_;
    bool settingsRestored_ = false;
};

}  // namespace zelto::shell
