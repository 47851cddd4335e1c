#pragma once

#include <functional>
#include <string>

#include "shell/FrmMainControls.h"
#include "shell/SettingsStore.h"
#include "ui/Prompter.h"

namespace zelto::shell {

inline constexpr const char* kFirstRunText =
    "This is the first time this Zelto has been run.  When you exit your settings will be saved";

/// The 18-character settings record of the window's options as they stand.
std::string SettingsRecord(const FrmMainControls& w);

/// Writes the settings record to the store.
void SaveSettings(const FrmMainControls& w, SettingsStore& store);

/// Applies the stored record control by control, as a user's changes would; true when it was
/// applied in full. No record, or one that cannot be applied, gives the first-run message (the
/// steps already applied stay).
bool LoadSettings(FrmMainControls& w, SettingsStore& store, ui::Prompter& prompt);

}  // namespace zelto::shell
