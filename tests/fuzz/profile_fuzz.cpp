// The profile reader on any file content, "learn&save" items included.
#include "Fuzz.h"
#include "profiles/ProfileContext.h"
#include "shell/FrmMainControls.h"
#include "support/Fakes.h"

void zelto::fuzz::one(std::string_view input) {
    static const ScratchFolder folder;
    folder.write(profiles::kOutOfOfficeFile, input);
    profiles::Session session;
    session.InstallDir = folder.path;
    shell::FrmMainControls w;
    ui::ScriptedPrompter prompt;
    ui::ThrowingProgramEnd end;
    test::FakeGatherer net;
    net.adapter(0, "192.0.2.7", {"192.0.2.1"}, "192.0.2.2");
    test::FakeNetworkServices probes;
    profiles::ProfileContext ctx{session, w, prompt, end, net, probes};
    try {
        profiles::LoadProfile(ctx);
    } catch (const ui::ProgramEnded&) {
        // A profile with a problem ends the program: a sound answer to bad bytes.
    }
}
