#include "profiles/ProfileContext.h"
#include "profiles/ProfileMessages.h"
#include "ui/Version.h"

namespace zelto::profiles {

void ShowLocalAddress(ProfileContext& c, const char* suffix) {
    auto& w = c.controls;
    const std::string& ip = c.session.LocalIP;
    if (!ip.empty() && ip != "127.0.0.1") {
        w.Timer1.setEnabled(false);
        w.current_ip.setText(ip + suffix);
        w.current_ip.setColor(ui::kButtonText);
        w.current_ip.setVisible(true);
        w.Help1[CheckerControls::kAddressHelp].setVisible(false);
        w.IP_Check.setVisible(true);
    } else {
        c.session.LocalIP = kBlank;
        w.Timer1.setInterval(1000);
        w.Timer1.setEnabled(true);
        w.current_ip.setText(msg::kNoAddressCaption);
        w.current_ip.setColor(ui::kRed);
        w.Help1[CheckerControls::kAddressHelp].setVisible(true);
        w.IP_Check.setVisible(false);
    }
}

void ShowTestSetup(ProfileContext& c, int index) {
    Session& s = c.session;
    auto& w = c.controls;
    s.SettingUpTests = true;
    const int slot = index == 0 ? 0 : 1;
    w.Banner.setText("Configured by " + s.Table.at(slot, 0, 4));

    w.Passes[CheckerControls::kRunNumberSlot].setText("0");
    s.Run.PassCount = 0;
    w.TestStatus.setText("Not run");
    w.TestStatus.setColor(ui::kBlack);
    w.Results1.setText("");
    w.AllTests.setVisible(true);
    w.AllTests.setValue(true);
    w.Test[0].setVisible(true);
    w.Test[0].setValue(true);
    w.Help1[0].setVisible(false);
    for (int row = 1; row <= MaxTestRow; ++row) {
        w.Test[row].setVisible(false);
        w.Test[row].setValue(false);
        w.Status[row].setVisible(false);
        w.Passes[row].setVisible(false);
        w.Help1[row].setVisible(false);
    }

    s.OfficeIndex = slot;
    w.window.setCaption(std::string("Zelto ") + ui::kVersion +
                        (slot == 0 ? " - Out of Office Tests" : " - In the Office Tests"));

    s.TestCount = 0;
    for (int row = 0; row <= MaxTestRow; ++row) {
        const std::string& name = s.Table.at(slot, row, 0);
        if (name == kBlank)
            break;
        ++s.TestCount;
        w.Test[row].setVisible(true);
        w.Test[row].setValue(true);
        w.Test[row].setCaption(name);
        std::string tip;
        for (int f = 1; f <= 3; ++f) {
            const std::string& item = s.Table.at(slot, row, f);
            if (item != kBlank)
                tip += item + "  ";
        }
        w.Test[row].setToolTip(tip);
        w.Status[row].setVisible(true);
        w.Status[row].setText("not run");
        w.Status[row].setColor(ui::kBlack);
        w.Passes[row].setVisible(true);
        w.Passes[row].setText("0");
    }

    s.LocalIP = c.probes.getIPFromHostName(" ", {});
    c.net.GatherNetParams("Nothing", true);
    ShowLocalAddress(c, "");
    w.Timer2.setEnabled(false);
    s.SettingUpTests = false;
}

}  // namespace zelto::profiles
