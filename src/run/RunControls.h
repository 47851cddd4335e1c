#pragma once

#include "profiles/CheckerControls.h"
#include "ui/Controls.h"

namespace zelto::run {

/// The main window's controls a run reads and sets, beyond those of the profile: the display
/// options, the Stop button, the spinning hand, the tray menu's Start and Stop.
struct RunControls : profiles::CheckerControls {
    RunControls();

    ui::Button btnStopTest{"Stop tests"};
    ui::OptionGroup OfficeOption{{"Out", "In"}};
    ui::CheckBox CoreTests{"CoreTests"};
    ui::TextBox RunInterval;
    ui::CheckBox ContinuousLog{"Continuous Log"};
    ui::CheckBox ErrorsOnly{"Errors Only"};
    ui::CheckBox TimeStamps{"Timestamp tests"};
    ui::CheckBox BeepIfFailed{"Beep/max if failed"};
    ui::Shape RotCircle;
    ui::Line RotLine;
    ui::MenuItem mnuStart{"&Start"};
    ui::MenuItem mnuStop{"&Stop"};
};

inline RunControls::RunControls() {
    OfficeOption.toolTips = {"Change to Out Of Office Tests", "Change to In Office Tests"};
    CoreTests.setToolTip("Check all tests");
    RotCircle.setVisible(false);
    RotLine.setVisible(false);
    ContinuousLog.setToolTip(
        "Keeps the results from each test on the screen (Up to 6500 characters then stops)");
    ErrorsOnly.setToolTip("List errors only");
    TimeStamps.setToolTip("Adds pass number date and time to each test");
    BeepIfFailed.setToolTip("If checked will beep and maximise the window if any test fails");
    mnuStop.setChecked(true);
}

}  // namespace zelto::run
