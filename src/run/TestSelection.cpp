#include "run/TestSelection.h"

namespace zelto::run {

void TestSelection::AllTests_Click() {
    if (session_.SettingUpTests)
        return;
    if (controls_.AllTests.value()) {
        for (int r = 0; r < session_.TestCount; ++r)
            controls_.Test[r].setValue(true);
        controls_.CoreTests.setValue(false);
    } else {
        for (int r = 0; r < session_.TestCount; ++r)
            controls_.Test[r].setValue(false);
    }
}

void TestSelection::CoreTests_Click() {
    if (controls_.AllTests.value() && !controls_.CoreTests.value())
        return;
    const int slot = session_.OfficeIndex;
    for (int r = 0; r <= profiles::MaxTestRow; ++r) {
        const std::string& name = session_.Table.at(slot, r, 0);
        if (name == profiles::kBlank)
            break;
        const std::string bare = profiles::bareName(name);
        const bool core =
            bare == "Loop Back" || bare == "Gateway" || bare == "DHCP" || bare == "DNS";
        if (core) {
            controls_.AllTests.setValue(false);
            controls_.Test[r].setValue(controls_.CoreTests.value());
        } else if (!controls_.AllTests.value()) {
            controls_.Test[r].setValue(!controls_.CoreTests.value());
        }
    }
}

void TestSelection::Test_Click(int row) {
    if (controls_.AllTests.value() && !controls_.Test[row].value() && !session_.SettingUpTests) {
        controls_.AllTests.setValue(false);
        controls_.Test[row].setValue(true);
    }
}

void TestSelection::BeepifPassed_Click() {
    if (controls_.BeepifPassed.value())
        controls_.BeepIfFailed.setValue(false);
}

void TestSelection::BeepIfFailed_Click() {
    if (controls_.BeepIfFailed.value())
        controls_.BeepifPassed.setValue(false);
}

}  // namespace zelto::run
