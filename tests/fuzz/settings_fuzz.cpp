// The stored settings record: any text loads or gives the first-run message, and what is then
// saved loads back to the same record.
#include <cstdint>
#include <cstdlib>

#include "ScratchFolder.h"
#include "shell/Settings.h"

using namespace zelto;

namespace {

std::string loadThenSave(const std::string& record, bool& firstRun) {
    shell::MemorySettingsStore store;
    store.values["Zelto/Codes/Settings"] = record;
    shell::FrmMainControls w;
    ui::ScriptedPrompter prompt;
    shell::LoadSettings(w, store, prompt);
    firstRun = !prompt.messages.empty();
    shell::SaveSettings(w, store);
    return store.values["Zelto/Codes/Settings"];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    bool firstRun = false;
    const std::string saved = loadThenSave(std::string(fuzz::asText(data, size)), firstRun);
    bool again = false;
    if (loadThenSave(saved, again) != saved || again)
        std::abort();
    return 0;
}
