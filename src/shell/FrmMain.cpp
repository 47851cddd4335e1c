#include "shell/FrmMain.h"

#include "profiles/Startup.h"
#include "shell/Settings.h"

namespace zelto::shell {

FrmMain::FrmMain(profiles::Session& session, Platform platform)
    : s_(session),
      p_(platform),
      profileContext_{s_, c, p_.prompt, p_.end, p_.net, p_.probes},
      selection_(c, s_) {
    wireHandlers();
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
    c.mnuExit.onClick = [this] { Form_Unload(); };
}

void FrmMain::Form_Load() {
    c.window.setIcon(101);
}

void FrmMain::Form_Unload() {
    SaveSettings(c, p_.settings);
    p_.end.end(0);
}

void FrmMain::OfficeOption_Click(int index) {
    profiles::OfficeOption_Click(profileContext_, index);
}

void FrmMain::RunTests_Click() {}

void FrmMain::btnStopTest_Click() {}

void FrmMain::startChecker() {
    c.window.setCaption("Zelto 1.9");
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
    LoadSettings(c, p_.settings, p_.prompt);
}

}  // namespace zelto::shell
