#include "shell/FrmMain.h"

#include "profiles/Startup.h"
#include "run/RunLog.h"
#include "shell/Settings.h"
#include "ui/Version.h"

namespace zelto::shell {

FrmMain::FrmMain(profiles::Session& session, Platform platform)
    : s_(session),
      p_(platform),
      profileContext_{s_, c, p_.prompt, p_.end, p_.net, p_.probes},
      selection_(c, s_),
      results_(c.Results1, c.ErrorsOnly, c.SimpleMessage),
      tray_(c.window, p_.tray),
      trayForRuns_(tray_),
      engine_({profileContext_, c, results_, trayForRuns_, p_.pump, p_.clock}),
      continuous_(c, s_, engine_),
      userGuide_(s_, p_.prompt),
      netParmsText_(p_.net, s_, p_.prompt, p_.clock),
      configureTests_(profileContext_) {
    wireHandlers();
    wireScreens();
}

void FrmMain::wireHandlers() {
    c.OfficeOption.onClick = [this](int i) { OfficeOption_Click(i); };
    c.AllTests.onClick = [this] { selection_.AllTests_Click(); };
    c.CoreTests.onClick = [this] { selection_.CoreTests_Click(); };
    for (int r = 0; r < static_cast<int>(c.Test.size()); ++r) {
        c.Test[r].onClick = [this, r] { selection_.Test_Click(r); };
    }
    c.BeepifPassed.onClick = [this] { selection_.BeepifPassed_Click(); };
    c.BeepIfFailed.onClick = [this] { selection_.BeepIfFailed_Click(); };
    c.RunTests.onClick = [this] { RunTests_Click(); };
    c.btnStopTest.onClick = [this] { btnStopTest_Click(); };
    c.mnuStart.onClick = [this] { RunTests_Click(); };
    c.mnuStop.onClick = [this] { btnStopTest_Click(); };
    c.mnuShow.onClick = [this] { tray_.mnuShow_Click(); };
    c.mnuExit.onClick = [this] { Form_Unload(); };
    c.btnClearResults.onClick = [this] { run::btnClearResults_Click(c, s_); };
    c.PrintLog2.onClick = [this] { run::PrintLog2_Click(s_, c.Results1, p_.prompt, p_.clock); };
    c.Timer1.onTick = [this] { engine_.Timer1_Timer(); };
    c.Timer2.onTick = [this] { continuous_.Timer2_Timer(); };
    c.Continuous.onClick = [this] { continuous_.Continuous_Click(); };
    c.window.onResize = [this] { tray_.Form_Resize(); };
}

void FrmMain::wireScreens() {
    for (int i = 0; i < static_cast<int>(c.Help1.size()); ++i)
        c.Help1[i].onClick = [this, i] { help1_Click(i); };
    c.Open_UserGuide.onClick = [this] { Open_UserGuide_Click(); };
    c.NetParms.onClick = [this] { NetParms_Click(); };
    userGuide_.openNetParms = [this] { netParmsText_.openBesideGuide(); };
    netParmsText_.showHelp = [this](const std::string& topic) { userGuide_.HelpScreen(topic); };
    c.DisplayTestSetup.onClick = [this] { DisplayTestSetup_Click(); };
    // A store replaces the rows a run walks, as a profile switch does: the store buttons are
    // closed whenever the run closes the switch.
    c.OfficeOption.changed.connect([this] {
        configureTests_.TempStore.setEnabled(c.OfficeOption.enabled());
        configureTests_.PermStore.setEnabled(c.OfficeOption.enabled());
    });
}

void FrmMain::Form_Load() {
    tray_.SetTrayIcon(run::kIconFailed, "Zelto Stopped");
}

void FrmMain::Form_Unload() {
    tray_.Form_Unload();
    SaveSettings(c, p_.settings);
    p_.end.end(0);
}

void FrmMain::endBySystem() {
    if (settingsRestored_) {
        Form_Unload();
        return;
    }
    // Start-up has not put the saved options on the window yet: saving now would replace them
    // with the start-up defaults.
    tray_.Form_Unload();
    p_.end.end(0);
}

void FrmMain::commitData() {
    if (settingsRestored_)
        SaveSettings(c, p_.settings);
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
    if (index < 0 || index >= static_cast<int>(c.Help1.size()))
        return;
    const std::string displayName =
        index <= profiles::MaxTestRow ? s_.Table.at(s_.OfficeIndex, index, 0) : std::string();
    userGuide_.HelpScreen(
        help::helpTopic(index, displayName, c.Help1[0].visible(),
                        c.Help1[profiles::CheckerControls::kAddressHelp].visible()));
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
        p_.prompt.tell(*outcome.message);
    netParmsText_.applyGatherOutcome(outcome, p_.net.snapshot());
    if (outcome.indicator) {
        c.Adapter_status.setText(outcome.indicator->caption);
        c.Adapter_check.setVisible(outcome.indicator->checkVisible);
        c.Adapter_cross.setVisible(outcome.indicator->crossVisible);
    }
}

void FrmMain::startChecker() {
    showChecker();
    const bool applied = LoadSettings(c, p_.settings, p_.prompt);
    settingsRestored_ = true;
    // The first continuous run starts once every option is in place.
    if (applied && c.Continuous.value())
        c.RunTests.click();
}

void FrmMain::showChecker() {
    c.window.setCaption(std::string("Zelto ") + ui::kVersion);
    Form_Load();
    c.AllTests.setVisible(true);
    c.AllTests.setValue(true);
    c.Test[0].setVisible(true);
    c.Test[0].setValue(true);
    for (std::size_t r = 1; r < c.Test.size(); ++r) {
        c.Test[r].setVisible(false);
        c.Test[r].setValue(false);
        c.Status[r].setVisible(false);
        c.Passes[r].setVisible(false);
    }
    c.RunInterval.setText("20");
    c.BeepifPassed.setVisible(false);
    s_.OfficeIndex = 0;
    profiles::LoadProfile(profileContext_);
    c.window.setVisible(true);
}

}  // namespace zelto::shell
