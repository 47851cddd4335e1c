// The stored settings record: any text loads or gives the first-run message, and what is then
// saved loads back to the same record.
#include "Fuzz.h"
#include "shell/Settings.h"

namespace zelto::fuzz {

namespace {

std::string loadThenSave(std::string_view record, bool& firstRun) {
    shell::MemorySettingsStore store;
    store.values["Zelto/Codes/Settings"] = std::string(record);
    shell::FrmMainControls w;
    ui::ScriptedPrompter prompt;
    shell::LoadSettings(w, store, prompt);
    firstRun = !prompt.messages.empty();
    shell::SaveSettings(w, store);
    return store.values["Zelto/Codes/Settings"];
}

}  // namespace

void one(std::string_view input) {
    bool firstRun = false;
    const std::string saved = loadThenSave(input, firstRun);
    require(loadThenSave(saved, firstRun) == saved && !firstRun);
}

}  // namespace zelto::fuzz
