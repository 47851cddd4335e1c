#pragma once

#include <array>
#include <string>

#include "ui/Controls.h"

namespace zelto::shell {

/// The controls of the main window (frmMain) with their design-time captions, tooltips and
/// start values. Arrays are indexed like the original control arrays; `Passes` has 11 slots so
/// that index 10, the run number at the head of the column, exists.
struct FrmMainControls {
    FrmMainControls();

    ui::Window window{"Zelto - Default Configuration"};

    ui::Button RunTests{"Run Tests"};
    ui::Button btnStopTest{"Stop tests"};
    ui::Button btnClearResults{"Clear Results"};
    ui::Button PrintLog2{"Write results to Log"};
    ui::Button DisplayTestSetup{"Configure Tests"};
    ui::Button Open_UserGuide{"User Guide"};
    ui::Button NetParms{"Network Parameters/ Help"};

    ui::Label OfficeFrame{"Office"};
    ui::OptionGroup OfficeOption{{"Out", "In"}};
    ui::TextBox Banner;

    ui::Label Label1{"TESTS"};
    ui::Label Label2{"STATUS"};
    ui::Label Pass{"PASSES"};
    std::array<ui::CheckBox, 8> Test;
    ui::CheckBox AllTests{"All Tests"};
    ui::CheckBox CoreTests{"CoreTests"};
    std::array<ui::TextBox, 8> Status;
    std::array<ui::TextBox, 11> Passes;
    ui::TextBox TestStatus{"Not Run"};
    std::array<ui::Picture, 9> Help1;

    ui::CheckBox Continuous{"Run every"};
    ui::TextBox RunInterval;
    ui::Label Label5{"seconds"};
    ui::CheckBox ContinuousLog{"Continuous Log"};
    ui::CheckBox ErrorsOnly{"Errors Only"};
    ui::CheckBox TimeStamps{"Timestamp tests"};
    ui::CheckBox SimpleMessage{"Simple Results"};
    ui::CheckBox BeepIfFailed{"Beep/max if failed"};
    ui::CheckBox BeepifPassed{"Beep/max if passed"};

    ui::Label Label3{"Test results below"};
    ui::TextBox Results1{"\r\n"};
    ui::Label Label4{"This computer's IP address:"};
    ui::Label current_ip;
    ui::Picture IP_Check;
    ui::Label Adapter_status_lbl{"Adapter Status:"};
    ui::Label Adapter_status;
    ui::Picture Adapter_check;
    ui::Picture Adapter_cross;
    ui::Shape RotCircle;
    ui::Line RotLine;

    ui::Timer Timer1;
    ui::Timer Timer2;

    /// The tray pop-up menu "Popup" and its items, in menu order.
    ui::MenuItem mnuStart{"&Start"};
    ui::MenuItem mnuStop{"&Stop"};
    ui::MenuItem mnuShow{"&Show"};
    ui::MenuItem mnuExit{"&Exit"};
};

inline FrmMainControls::FrmMainControls() {
    window.setVisible(false);
    RunTests.setToolTip("Will PING or connect to the IP addresses for the tests checked below");
    PrintLog2.setToolTip("Write results to a text file for later review");
    DisplayTestSetup.setToolTip(
        "Allows you to setup the tests for InOffice and OutOfOffice and then Package for "
        "distribution");
    Open_UserGuide.setToolTip(
        "Purpose,How to Use, Installation, Configuration, Contact/Cost, Warranty");
    NetParms.setToolTip(
        "Finds the current network parameters, analyzes parameters for problems, displays all "
        "of help.txt");
    OfficeOption.toolTips = {"Change to Out Of Office Tests", "Change to In Office Tests"};
    Test[0].setCaption("1)  LoopBack");
    for (std::size_t r = 1; r < Test.size(); ++r)
        Test[r].setCaption("Test" + std::to_string(r));
    AllTests.setToolTip("Check all tests");
    CoreTests.setToolTip("Check all tests");
    for (auto& s : Status)
        s.setText("Not run");
    for (auto& h : Help1)
        h.setToolTip("Help");
    // The ticks and crosses speak only once there is something to say about the PC.
    IP_Check.setVisible(false);
    Adapter_check.setVisible(false);
    Adapter_cross.setVisible(false);
    RotCircle.setVisible(false);
    RotLine.setVisible(false);
    Continuous.setToolTip(
        "If checked, tests will repeat after the designated number of seconds until stop is "
        "pressed");
    ContinuousLog.setToolTip(
        "Keeps the results from each test on the screen (Up to 6500 characters then stops)");
    ErrorsOnly.setToolTip("List errors only");
    TimeStamps.setToolTip("Adds pass number date and time to each test");
    SimpleMessage.setToolTip("Reduces the information shown in the test results");
    BeepIfFailed.setToolTip("If checked will beep and maximise the window if any test fails");
    BeepifPassed.setToolTip("If checked will beep and maximise the window if any test passes");
    mnuStop.setChecked(true);
}

}  // namespace zelto::shell
