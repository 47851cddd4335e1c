#include "screens/TempStore.h"

namespace zelto::profiles {

namespace {

// What the profile file cannot hold in one of its lines: a line break splits the text into
// two records; for a value, the empty-slot marker ends the item list and a bracketed line
// opens a new test. Empty when the text can be stored.
std::string unstorable(const std::string& text, bool isValue) {
    if (text.find_first_of("\r\n") != std::string::npos)
        return "a line break would split it into two profile lines";
    if (!isValue)
        return {};
    const std::string t = trimSpaces(text);
    if (t == kBlank)
        return "\"Blank!\" marks an empty value and would hide the values after it";
    if (isHeader(t))
        return "\"" + t + "\" would be read back as the start of a new test";
    return {};
}

/// The first box that cannot be stored, told to the user; false when every box can be.
bool refusesUnstorable(ProfileContext& c, ConfigureTests& screen) {
    auto refuse = [&](const std::string& where, const std::string& text, bool isValue) {
        const std::string what = unstorable(text, isValue);
        if (!what.empty())
            c.prompt.tell(where + ": " + what + ". Change it and store again; nothing was stored.");
        return !what.empty();
    };
    if (refuse("Configured By", screen.ConfiguredBy.text(), false))
        return true;
    for (int i = 1; i <= MaxTestRow; ++i) {
        std::string name = screen.Test[i].text();
        if (IsBlankText(name))
            continue;
        const std::string test = "Test line " + std::to_string(i) + " (" + trimSpaces(name) + "), ";
        if (refuse(test + "name", name, false) ||
            refuse(test + "message", screen.TestMessage[i].text(), false))
            return true;
        for (int k = 1; k <= ConfigureTests::kValuesPerLine; ++k) {
            const std::string& value = screen.TestValue[ConfigureTests::valueBox(i, k)].text();
            if (refuse(test + "value box " + std::to_string(k), value, true))
                return true;
        }
    }
    return false;
}

}  // namespace

bool IsBlankText(std::string& text) {
    if (text.find_first_not_of(' ') != std::string::npos)
        return false;
    text.clear();
    return true;
}

bool ApplyEditedTests(ProfileContext& c, ConfigureTests& screen) {
    if (refusesUnstorable(c, screen))
        return false;
    Session& s = c.session;
    const int slot = s.OfficeIndex;
    auto cell = [&](int row, int field) -> std::string& { return s.Table.at(slot, row, field); };

    cell(0, 4) = screen.ConfiguredBy.text();
    int box = 0;
    int n = 0;
    for (int i = 1; i <= MaxTestRow; ++i) {
        std::string name = screen.Test[i].text();
        if (IsBlankText(name)) {
            box += ConfigureTests::kValuesPerLine;
            continue;
        }
        ++n;
        cell(n, 0) = std::to_string(n + 1) + ") " + name;
        cell(n, MessageField) = screen.TestMessage[i].text();
        int values = 0;
        for (int k = 1; k <= ConfigureTests::kValuesPerLine; ++k) {
            std::string value = screen.TestValue[++box].text();
            if (IsBlankText(value))
                continue;
            cell(n, ++values) = value;
        }
        for (int f = values + 1; f <= MaxItemField; ++f)
            cell(n, f) = kBlank;
        // A test without values cannot run: the next named line takes its row.
        if (values == 0)
            --n;
    }
    for (int row = n + 1; row <= MaxTestRow; ++row) {
        for (int f = 0; f <= MaxItemField; ++f)
            cell(row, f) = kBlank;
    }
    s.Run.PassCount = 0;
    ShowTestSetup(c, s.OfficeIndex);
    screen.unload();
    return true;
}

}  // namespace zelto::profiles
