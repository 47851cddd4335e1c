#pragma once

#include "run/RunControls.h"
#include "ui/Controls.h"

namespace zelto::shell {

/// The controls of the main window (frmMain) with their design-time captions, tooltips and
/// start values: those the profile and run logic set, and the rest of the window.
struct FrmMainControls : run::RunControls {
    FrmMainControls();

    ui::Button RunTests{"Run Tests"};
    ui::Button btnClearResults{"Clear Results"};
    ui::Button PrintLog2{"Write results to Log"};
    ui::Button DisplayTestSetup{"Configure Tests"};
    ui::Button Open_UserGuide{"User Guide"};
    ui::Button NetParms{"Network Parameters/ Help"};

    ui::Label OfficeFrame{"Office"};
    ui::Label Label1{"TESTS"};
    ui::Label Label2{"STATUS"};
    ui::Label Pass{"PASSES"};
    ui::Label Label5{"seconds"};
    ui::CheckBox SimpleMessage{"Simple Results"};

    ui::Label Label3{"Test results below"};
    ui::Label Label4{"This computer's IP address:"};
    ui::Label Adapter_status_lbl{"Adapter Status:"};
    ui::Label Adapter_status;
    ui::Picture Adapter_check;
    ui::Picture Adapter_cross;

    /// The rest of the tray pop-up menu "Popup" (Start and Stop come first).
    ui::MenuItem mnuShow{"&Show"};
    ui::MenuItem mnuExit{"&Exit"};
};

inline FrmMainControls::FrmMainControls() {
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
    // The tick and cross speak only once there is something to say about the adapter.
    Adapter_check.setVisible(false);
    Adapter_cross.setVisible(false);
    SimpleMessage.setToolTip("Reduces the information shown in the test results");
}

}  // namespace zelto::shell
