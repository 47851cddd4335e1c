#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/FrmMain.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

namespace zelto::test {

/// A main window model over a temporary program folder, with fake platform pieces, served by
/// the given pump (the desktop's blocking one or the command line's) and probes.
template <class Pump, class Probes = FakeNetworkServices>
struct MainRig {
    MainRig() { session.InstallDir = dir.path(); }

    void writeProfile(const std::string& name, const std::vector<std::string>& lines) {
        std::string text;
        for (const auto& l : lines)
            text += l + "\r\n";
        dir.write(name, text);
    }
    /// Runs the checker's start-up; true when the program ended instead.
    bool startEnds() {
        try {
            main.startChecker();
        } catch (const ui::ProgramEnded& e) {
            endStatus = e.status;
            return true;
        }
        return false;
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& m : prompt.messages)
            out.push_back(m.text);
        return out;
    }

    TempDir dir;
    profiles::Session session;
    ui::ScriptedPrompter prompt;
    ui::ThrowingProgramEnd end;
    Probes probes;
    FakeGatherer net;
    Pump pump;
    ui::FixedClock clock{ui::makeLocalTime(2008, 3, 7, 14, 5, 9)};
    shell::MemorySettingsStore settings;
    RecordingTrayHost tray;
    shell::FrmMain main{session, {prompt, end, probes, net, pump, clock, settings, tray}};
    shell::FrmMainControls& c = main.controls;
    int endStatus = -1;
};

struct MainFixture : ::testing::Test, MainRig<ui::BlockingPump> {};

}  // namespace zelto::test
