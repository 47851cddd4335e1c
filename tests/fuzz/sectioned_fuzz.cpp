// The sectioned text reader (help and user guide): the first line names the section asked
// for, the rest is the file. Whatever the file holds, a file that reads gives text, never a
// message.
#include "Fuzz.h"
#include "help/ReadSqBrackFile.h"

void zelto::fuzz::one(std::string_view input) {
    static const ScratchFolder folder;
    const std::string section(cut(input));
    folder.write(help::kHelpFile, input);
    profiles::Session session;
    session.InstallDir = folder.path;
    ui::ScriptedPrompter prompt;
    (void)help::ReadSqBrackFile(session, prompt, help::kHelpFile, section);
    require(prompt.messages.empty());
}
