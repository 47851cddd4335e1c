#pragma once

#include "shell/FrmMain.h"
#include "support/ProfileFixture.h"

namespace zelto::test {

/// A main window model over a program folder, served by the given pump (the desktop's blocking
/// one or the command line's) and probes.
template <class Pump, class Probes = FakeNetworkServices>
struct MainRig : ProgramFolder {
    /// Runs the checker's start-up; true when the program ended instead.
    bool startEnds() {
        return ends([this] { main.startChecker(); });
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& m : prompt.messages)
            out.push_back(m.text);
        return out;
    }

    Probes probes;
    Pump pump;
    ui::FixedClock clock{ui::makeLocalTime(2008, 3, 7, 14, 5, 9)};
    shell::MemorySettingsStore settings;
    RecordingTrayHost tray;
    shell::FrmMain main{session, {prompt, end, probes, net, pump, clock, settings, tray}};
    shell::FrmMainControls& c = main.controls;
};

struct MainFixture : ::testing::Test, MainRig<ui::BlockingPump> {};

}  // namespace zelto::test
