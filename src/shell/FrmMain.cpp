#include "shell/FrmMain.h"

#include "profiles/Startup.h"
#include "run/RunLog.h"
#include "shell/Settings.h"
#include "ui/Version.h"

namespace zelto::shell {

FrmMain::FrmMain(profiles::Session& session, Platform platform)
    : session_(session),
      platform_(platform),
      profileContext_{session_,      controls,      platform_.prompt,
                      platform_.end, platform_.net, platform_.probes},
      selection_(controls, session_),
      results_(controls.Results1, controls.ErrorsOnly, controls.SimpleMessage),
      tray_(controls.window, platform_.tray),
      trayForRuns_(tray_),
      engine_({profileContext_, controls, results_, trayForRuns_, platform_.pump, platform_.clock}),
      continuous_(controls, session_, engine_),
      userGuide_(session_, platform_.prompt),
      netParmsText_(platform_.net, session_, platform_.prompt, platform_.clock),
      configureTests_(profileContext_) {
    wireHandlers();
    wireScreens();
}

void FrmMain::wireHandlers() {
    controls.OfficeOption.onClick = [this](int i) { OfficeOption_Click(i); };
    controls.AllTests.onClick = [this] { selection_.AllTests_Click(); };
    controls.CoreTests.onClick = [this] { selection_.CoreTests_Click(); };
    for (int r = 0; r < static_cast<int>(controls.Test.size()); ++r) {
        controls.Test[r].onClick = [this, r] { selection_.Test_Click(r); };
    }
    controls.BeepifPassed.onClick = [this] { selection_.BeepifPassed_Click(); };
    controls.BeepIfFailed.onClick = [this] { selection_.BeepIfFailed_Click(); };
    controls.RunTests.onClick = [this] { RunTests_Click(); };
    controls.btnStopTest.onClick = [this] { btnStopTest_Click(); };
    controls.mnuStart.onClick = [this] { RunTests_Click(); };
    controls.mnuStop.onClick = [this] { btnStopTest_Click(); };
    controls.mnuShow.onClick = [this] { tray_.mnuShow_Click(); };
    controls.mnuExit.onClick = [this] { Form_Unload(); };
    controls.btnClearResults.onClick = [this] { run::btnClearResults_Click(controls, session_); };
    controls.PrintLog2.onClick = [this] {
        run::PrintLog2_Click(session_, controls.Results1, platform_.prompt, platform_.clock);
    };
    controls.Timer1.onTick = [this] { engine_.Timer1_Timer(); };
    controls.Timer2.onTick = [this] { continuous_.Timer2_Timer(); };
    controls.Continuous.onClick = [this] { continuous_.Continuous_Click(); };
    controls.window.onResize = [this] { tray_.Form_Resize(); };
}

void FrmMain::wireScreens() {
    for (int i = 0; i < static_cast<int>(controls.Help1.size()); ++i)
        controls.Help1[i].onClick = [this, i] { help1_Click(i); };
    controls.Open_UserGuide.onClick = [this] { Open_UserGuide_Click(); };
    controls.NetParms.onClick = [this] { NetParms_Click(); };
    userGuide_.openNetParms = [this] { netParmsText_.openBesideGuide(); };
    netParmsText_.showHelp = [this](const std::string& topic) { userGuide_.HelpScreen(topic); };
    controls.DisplayTestSetup.onClick = [this] { DisplayTestSetup_Click(); };
    // A store replaces the rows a run walks, as a profile switch does: the store buttons are
    // closed whenever the run closes the switch.
    controls.OfficeOption.changed.connect([this] {
        configureTests_.TempStore.setEnabled(controls.OfficeOption.enabled());
        configureTests_.PermStore.setEnabled(controls.OfficeOption.enabled());
    });
}

void FrmMain::Form_Load() {
    tray_.SetTrayIcon(run::kIconFailed, "Zelto Stopped");
}

void FrmMain::Form_Unload() {
    tray_.Form_Unload();
    SaveSettings(controls, platform_.settings);
    platform_.end.end(0);
}

void FrmMain::endBySystem() {
    if (settingsRestored_) {
        Form_Unload();
        return;
    }
    // Start-up has not put the saved options on the window yet: saving now would replace them
    // with the start-up defaults.
    tray_.Form_Unload();
    platform_.end.end(0);
}

void FrmMain::commitData() {
    if (settingsRestored_)
        SaveSettings(controls, platform_.settings);
}

void FrmMain::OfficeOption_Click(int index) {
    profiles::OfficeOption_Click(profileContext_, index);
}

void FrmMain::RunTests_Click() {
    engine_.RunTests_Click();
}

void FrmMain::btnStopTest_Click() {
    engine_.btnStopTest_Click();
}

void FrmMain::help1_Click(int index) {
    if (index < 0 || index >= static_cast<int>(controls.Help1.size()))
        return;
    const std::string displayName = index <= profiles::MaxTestRow
                                        ? session_.Table.at(session_.OfficeIndex, index, 0)
                                        : std::string();
    userGuide_.HelpScreen(
        help::helpTopic(index, displayName, controls.Help1[0].visible(),
                        controls.Help1[profiles::CheckerControls::kAddressHelp].visible()));
}

void FrmMain::Open_UserGuide_Click() {
    userGuide_.Open_UserGuide_Click();
}

void FrmMain::NetParms_Click() {
    netParmsText_.openFromMainWindow();
}

void FrmMain::DisplayTestSetup_Click() {
    btnStopTest_Click();
    configureTests_.open();
}

void FrmMain::trayActivated(Activation how) {
    tray_.activated(how);
}

void FrmMain::applyGatherOutcome(const netparams::GatherOutcome& outcome) {
    if (outcome.message)
        platform_.prompt.tell(*outcome.message);
    netParmsText_.applyGatherOutcome(outcome, platform_.net.snapshot());
    if (outcome.indicator) {
        controls.Adapter_status.setText(outcome.indicator->caption);
        controls.Adapter_check.setVisible(outcome.indicator->checkVisible);
        controls.Adapter_cross.setVisible(outcome.indicator->crossVisible);
    }
}

void FrmMain::startChecker() {
    showChecker();
    const bool applied = LoadSettings(controls, platform_.settings, platform_.prompt);
    settingsRestored_ = true;
    // The first continuous run starts once every option is in place.
    if (applied && controls.Continuous.value())
        controls.RunTests.click();
}

void FrmMain::showChecker() {
    controls.window.setCaption(std::string("Zelto ") + ui::kVersion);
    Form_Load();
    controls.AllTests.setVisible(true);
    controls.AllTests.setValue(true);
    controls.Test[0].setVisible(true);
    controls.Test[0].setValue(true);
    for (std::size_t r = 1; r < controls.Test.size(); ++r) {
        controls.Test[r].setVisible(false);
        controls.Test[r].setValue(false);
        controls.Status[r].setVisible(false);
        controls.Passes[r].setVisible(false);
    }
    controls.RunInterval.setText("20");
    controls.BeepifPassed.setVisible(false);
    session_.OfficeIndex = 0;
    profiles::LoadProfile(profileContext_);
    controls.window.setVisible(true);
}

}  // namespace zelto::shell
