// The check boxes that choose the rows cascade through each other's handlers (setting a box from
// code runs its handler as a click does); each case is clicked through the window's own wiring.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/MainFixture.h"

namespace zelto::test {
namespace {

using Selection = MainFixture;

TEST_F(Selection, ClicksCascadeAsTheRowsAndOptionsRequire) {
    const std::vector<std::string> names{"Loop Back", "Gateway", "Web", "DNS", "Mail"};
    for (int r = 0; r <= profiles::MaxTestRow; ++r)
        session.Table.at(0, r, 0) =
            r < 5 ? std::to_string(r + 1) + ") " + names[r] : profiles::kBlank;
    session.TestCount = 5;
    // All Tests, Core Tests, Beep if passed, Beep if failed, or a row by its number.
    auto box = [this](char b) -> ui::CheckBox& {
        const std::string options = "ACPF";
        ui::CheckBox* boxes[] = {&c.AllTests, &c.CoreTests, &c.BeepifPassed, &c.BeepIfFailed};
        return options.find(b) != std::string::npos ? *boxes[options.find(b)] : c.Test[b - '1'];
    };
    // Rows as Y/N, then the four options.
    auto state = [&] {
        std::string s;
        for (const char b : std::string("12345 A C P F"))
            s += b == ' ' ? ' ' : box(b).value() ? 'Y' : 'N';
        return s;
    };
    const std::vector<std::pair<std::string, std::string>> cases{
        {"A", "YYYYY Y N N N"},
        {"AA", "NNNNN N N N N"},
        // Core rows are Loop Back, Gateway and DNS; the others follow the opposite value.
        {"C", "YYNYN N Y N N"},
        {"CC", "NNYNY N N N N"},
        // Ticking Core while All is ticked clears All, whose handler clears every row first.
        {"AC", "YYNYN N Y N N"},
        {"CA", "YYYYY Y N N N"},
        // Unticking one row while All is ticked leaves only that row.
        {"A3", "NNYNN N N N N"},
        {"35", "NNYNY N N N N"},
        {"PF", "NNNNN N N N Y"},
        {"FP", "NNNNN N N Y N"},
        {"PP", "NNNNN N N N N"},
    };
    for (const auto& [clicks, after] : cases) {
        for (const char b : std::string("ACPF12345"))
            box(b).setValue(false);
        for (const char click : clicks)
            box(click).click();
        EXPECT_EQ(state(), after) << clicks;
    }
    // All Tests is ignored while the tests are being set up.
    session.SettingUpTests = true;
    c.AllTests.click();
    EXPECT_EQ(state(), "NNNNN Y N N N");
}

}  // namespace
}  // namespace zelto::test
