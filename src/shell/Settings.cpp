#include "shell/Settings.h"

namespace zelto::shell {

namespace {

constexpr const char* kApp = "Zelto";
constexpr const char* kSection = "Codes";
constexpr const char* kKey = "Settings";

char digit(bool on) {
    return on ? '1' : '0';
}

struct BadRecord {};

// The record is read one position at a time; a position that does not hold a value the
// control can take makes the rest of the record unusable.
int numberAt(const std::string& record, std::size_t position, int highest) {
    if (position > record.size())
        throw BadRecord{};
    char ch = record[position - 1];
    if (ch < '0' || ch - '0' > highest)
        throw BadRecord{};
    return ch - '0';
}

void applyCheck(ui::CheckBox& box, const std::string& record, std::size_t position) {
    box.setValue(numberAt(record, position, 1) == 1);
}

}  // namespace

std::string SettingsRecord(const FrmMainControls& w) {
    std::string r;
    r += w.OfficeOption.selected() == 0 ? 'O' : 'I';
    for (const auto& t : w.Test)
        r += digit(t.value());
    r += static_cast<char>('0' + static_cast<int>(w.window.state()));
    r += digit(w.Continuous.value());
    std::string interval = w.RunInterval.text();
    // An empty interval would shorten the record and spoil the next start: keep the default.
    if (interval.empty())
        interval = "20";
    if (interval.size() == 1)
        interval = "0" + interval;
    r += interval.substr(0, 2);
    r += digit(w.ContinuousLog.value());
    r += digit(w.ErrorsOnly.value());
    r += digit(w.TimeStamps.value());
    r += digit(w.BeepifPassed.value());
    r += digit(w.BeepIfFailed.value());
    return r;
}

void SaveSettings(const FrmMainControls& w, SettingsStore& store) {
    store.write(kApp, kSection, kKey, SettingsRecord(w));
}

bool LoadSettings(FrmMainControls& w, SettingsStore& store, ui::Prompter& prompt) {
    const std::string record = store.read(kApp, kSection, kKey, "");
    if (record.empty()) {
        prompt.ask(kFirstRunText, ui::Buttons::Ok, ui::kAppTitle);
        return false;
    }
    try {
        w.OfficeOption.select(record[0] == 'O' ? 0 : 1);
        w.AllTests.setValue(false);
        for (std::size_t i = 0; i < w.Test.size(); ++i)
            applyCheck(w.Test[i], record, 2 + i);
        w.window.setState(static_cast<ui::WindowState>(numberAt(record, 10, 2)));
        applyCheck(w.Continuous, record, 11);
        if (record.size() < 13)
            throw BadRecord{};
        w.RunInterval.setText(record.substr(11, 2));
        applyCheck(w.ContinuousLog, record, 14);
        applyCheck(w.ErrorsOnly, record, 15);
        applyCheck(w.TimeStamps, record, 16);
        applyCheck(w.BeepifPassed, record, 17);
        applyCheck(w.BeepIfFailed, record, 18);
    } catch (const BadRecord&) {
        prompt.ask(kFirstRunText, ui::Buttons::Ok, ui::kAppTitle);
        return false;
    }
    return true;
}

}  // namespace zelto::shell
