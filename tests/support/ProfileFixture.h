#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "profiles/ProfileContext.h"
#include "shell/FrmMainControls.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

namespace zelto::test {

/// A program folder in a temporary directory, a session in it and the fake platform pieces
/// every front end needs.
struct ProgramFolder {
    ProgramFolder() { session.InstallDir = dir.path(); }

    /// Writes a profile; `lines` are joined with `eol`.
    void writeProfile(const std::string& name, const std::vector<std::string>& lines,
                      const std::string& eol = "\r\n") {
        std::string text;
        for (const auto& l : lines)
            text += l + eol;
        dir.write(name, text);
    }
    /// Runs `step`; true when the program ended instead.
    bool ends(const std::function<void()>& step) {
        try {
            step();
            return false;
        } catch (const ui::ProgramEnded& e) {
            endStatus = e.status;
            return true;
        }
    }

    TempDir dir;
    profiles::Session session;
    ui::ScriptedPrompter prompt;
    ui::ThrowingProgramEnd end;
    FakeGatherer net;
    int endStatus = -1;
};

/// The profile logic over a program folder.
struct ProfileFixture : ::testing::Test, ProgramFolder {
    const std::string& cell(int slot, int row, int field) {
        return session.Table.at(slot, row, field);
    }
    /// Loads slot `slot`; true when the program ended instead.
    bool loadEnds(int slot = 0) {
        session.OfficeIndex = slot;
        return ends([this] { profiles::LoadProfile(ctx); });
    }

    FakeNetworkServices probes;
    shell::FrmMainControls w;
    profiles::ProfileContext ctx{session, w, prompt, end, net, probes};
};

}  // namespace zelto::test
