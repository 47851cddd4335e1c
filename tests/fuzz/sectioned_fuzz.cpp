// The sectioned text reader (help and user guide): the first line names the section asked
// for, the rest is the file.
#include <cstdint>

#include "ScratchFolder.h"
#include "help/ReadSqBrackFile.h"

using namespace zelto;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz::ScratchFolder folder;
    std::string_view input = fuzz::asText(data, size);
    const std::string section(fuzz::firstLine(input));
    folder.write(help::kHelpFile, input);

    profiles::Session session;
    session.InstallDir = folder.path();
    ui::ScriptedPrompter prompt;
    const std::string text = help::ReadSqBrackFile(session, prompt, help::kHelpFile, section);
    // Whatever the file holds, a file that reads gives text, never a message.
    if (!prompt.messages.empty())
        std::abort();
    (void)text;
    return 0;
}
