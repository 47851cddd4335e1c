#pragma once

#include <gtest/gtest.h>

#include <string>

#include "profiles/ProfileContext.h"
#include "shell/FrmMainControls.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

namespace zelto::test {

/// A program folder in a temporary directory with the profile logic wired to fakes.
struct ProfileFixture : ::testing::Test {
    ProfileFixture() { session.InstallDir = dir.path(); }

    /// Writes a profile; `lines` are joined with `eol`.
    void writeProfile(const std::string& name, const std::vector<std::string>& lines,
                      const std::string& eol = "\r\n") {
        std::string text;
        for (const auto& l : lines)
            text += l + eol;
        dir.write(name, text);
    }
    const std::string& cell(int slot, int row, int field) {
        return session.Table.at(slot, row, field);
    }
    /// Loads slot `slot`; true when the program ended instead.
    bool loadEnds(int slot = 0) {
        session.OfficeIndex = slot;
        try {
            profiles::LoadProfile(ctx);
        } catch (const ui::ProgramEnded& e) {
            endStatus = e.status;
            return true;
        }
        return false;
    }

    TempDir dir;
    profiles::Session session;
    shell::FrmMainControls w;
    ui::ScriptedPrompter prompt;
    ui::ThrowingProgramEnd end;
    FakeGatherer net;
    FakeNetworkServices probes;
    profiles::ProfileContext ctx{session, w, prompt, end, net, probes};
    int endStatus = -1;
};

}  // namespace zelto::test
