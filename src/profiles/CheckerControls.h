#pragma once

#include <array>
#include <string>

#include "profiles/TestTable.h"
#include "ui/Controls.h"

namespace zelto::profiles {

/// The main window's controls that loading, showing and learning a profile set: the rows,
/// their status and pass boxes, the address line and the timers. Arrays are indexed like the
/// original control arrays.
struct CheckerControls {
    /// Slots of the Passes column: one per row, and the run number at the head of the column.
    static constexpr std::size_t kPassSlots = 11;
    /// The Passes slot that shows the run number.
    static constexpr std::size_t kRunNumberSlot = 10;
    /// Rows of the window: Loop Back and the profile's tests.
    static constexpr std::size_t kRows = MaxTestRow + 1;
    /// Help crosses: one per row and the one beside the address.
    static constexpr std::size_t kHelpCrosses = kRows + 1;
    /// The help cross beside this PC's address.
    static constexpr std::size_t kAddressHelp = kRows;

    CheckerControls();

    ui::Window window{"Zelto - Default Configuration"};
    ui::TextBox Banner;
    std::array<ui::CheckBox, kRows> Test;
    ui::CheckBox AllTests{"All Tests"};
    std::array<ui::TextBox, kRows> Status;
    std::array<ui::TextBox, kPassSlots> Passes;
    ui::TextBox TestStatus{"Not Run"};
    std::array<ui::Picture, kHelpCrosses> Help1;
    ui::CheckBox Continuous{"Run every"};
    ui::CheckBox BeepifPassed{"Beep/max if passed"};
    ui::TextBox Results1{"\r\n"};
    ui::Label current_ip;
    ui::Picture IP_Check;
    ui::Timer Timer1;
    ui::Timer Timer2;
};

inline CheckerControls::CheckerControls() {
    window.setVisible(false);
    Test[0].setCaption("1)  LoopBack");
    for (std::size_t r = 1; r < Test.size(); ++r)
        Test[r].setCaption("Test" + std::to_string(r));
    AllTests.setToolTip("Check all tests");
    for (auto& s : Status)
        s.setText("Not run");
    for (auto& h : Help1)
        h.setToolTip("Help");
    // The tick speaks only once there is something to say about the PC.
    IP_Check.setVisible(false);
    Continuous.setToolTip(
        "If checked, tests will repeat after the designated number of seconds until stop is "
        "pressed");
    BeepifPassed.setToolTip("If checked will beep and maximise the window if any test passes");
}

}  // namespace zelto::profiles
