#include "profiles/TempStore.h"

#include <algorithm>

namespace zelto::profiles {

namespace {

// The profile file holds one text per line: a line break inside a text would split it into
// two records and shift everything after it. Paste can bring one into a box; it becomes a space.
std::string oneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

// A value that is the empty-slot marker (the loader trims spaces around it) would end the
// test's item list where it stands and hide the values after it: it counts as an empty box.
bool isMarker(const std::string& value) {
    const auto first = value.find_first_not_of(' ');
    const auto last = value.find_last_not_of(' ');
    return first != std::string::npos && value.compare(first, last - first + 1, kBlank) == 0;
}

}  // namespace

bool IsBlankText(std::string& text) {
    if (text.find_first_not_of(' ') != std::string::npos)
        return false;
    text.clear();
    return true;
}

void ApplyEditedTests(ProfileContext& c, ConfigureTests& screen) {
    Session& s = c.s;
    const int slot = s.OfficeIndex;
    auto cell = [&](int row, int field) -> std::string& { return s.Table.at(slot, row, field); };

    cell(0, 4) = oneLine(screen.ConfiguredBy.text());
    int box = 0;
    int n = 0;
    for (int i = 1; i <= MaxTestRow; ++i) {
        std::string name = screen.Test[i].text();
        if (IsBlankText(name)) {
            box += ConfigureTests::kValuesPerLine;
            continue;
        }
        ++n;
        cell(n, 0) = std::to_string(n + 1) + ") " + oneLine(name);
        cell(n, MessageField) = oneLine(screen.TestMessage[i].text());
        int values = 0;
        for (int k = 1; k <= ConfigureTests::kValuesPerLine; ++k) {
            std::string value = screen.TestValue[++box].text();
            if (IsBlankText(value) || isMarker(value))
                continue;
            cell(n, ++values) = oneLine(value);
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
}

}  // namespace zelto::profiles
