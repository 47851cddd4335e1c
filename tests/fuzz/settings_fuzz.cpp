// The stored settings record: any text loads or gives the first-run message, and what is then
// saved loads back to the same record.
#include "Fuzz.h"
#include "shell/Settings.h"

void zelto::fuzz::one(std::string_view input) {
    // What the record saves as after a load, and whether the load gave the first-run message.
    const auto loadThenSave = [](std::string_view record) {
        shell::MemorySettingsStore store;
        store.values["Zelto/Codes/Settings"] = std::string(record);
        shell::FrmMainControls w;
        ui::ScriptedPrompter prompt;
        shell::LoadSettings(w, store, prompt);
        shell::SaveSettings(w, store);
        return std::pair{store.values["Zelto/Codes/Settings"], !prompt.messages.empty()};
    };
    const std::string saved = loadThenSave(input).first;
    require(loadThenSave(saved) == std::pair{saved, false});
}
