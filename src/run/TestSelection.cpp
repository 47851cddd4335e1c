#include "run/TestSelection.h"

namespace zelto::run {

void TestSelection::AllTests_Click() {
    if (s_.SettingUpTests)
        return;
    if (w_.AllTests.value()) {
        for (int r = 0; r < s_.TestCount; ++r)
            w_.Test[r].setValue(true);
        w_.CoreTests.setValue(false);
    } else {
        for (int r = 0; r < s_.TestCount; ++r)
            w_.Test[r].setValue(false);
    }
}

void TestSelection::CoreTests_Click() {
    if (w_.AllTests.value() && !w_.CoreTests.value())
        return;
    const int slot = s_.OfficeIndex;
    for (int r = 0; r <= profiles::MaxTestRow; ++r) {
        const std::string& name = s_.Table.at(slot, r, 0);
        if (name == profiles::kBlank)
            break;
        const std::string bare = profiles::bareName(name);
        const bool core =
            bare == "Loop Back" || bare == "Gateway" || bare == "DHCP" || bare == "DNS";
        if (core) {
            w_.AllTests.setValue(false);
            w_.Test[r].setValue(w_.CoreTests.value());
        } else if (!w_.AllTests.value()) {
            w_.Test[r].setValue(!w_.CoreTests.value());
        }
    }
}

void TestSelection::Test_Click(int row) {
    if (w_.AllTests.value() && !w_.Test[row].value() && !s_.SettingUpTests) {
        w_.AllTests.setValue(false);
        w_.Test[row].setValue(true);
    }
}

void TestSelection::BeepifPassed_Click() {
    if (w_.BeepifPassed.value())
        w_.BeepIfFailed.setValue(false);
}

void TestSelection::BeepIfFailed_Click() {
    if (w_.BeepIfFailed.value())
        w_.BeepifPassed.setValue(false);
}

}  // namespace zelto::run
