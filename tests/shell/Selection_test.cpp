// The check boxes that choose the rows cascade through each other's handlers (setting a box from
// code runs its handler as a click does); each case is clicked through the window's own wiring.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/MainFixture.h"

namespace zelto::test {
namespace {

struct Selection : MainFixture {
    Selection() {
        const std::vector<std::string> names{"Loop Back", "Gateway", "Web", "DNS", "Mail"};
        for (int r = 0; r <= profiles::MaxTestRow; ++r)
            session.Table.at(0, r, 0) = profiles::kBlank;
        for (std::size_t r = 0; r < names.size(); ++r)
            session.Table.at(0, static_cast<int>(r), 0) = std::to_string(r + 1) + ") " + names[r];
        session.TestCount = static_cast<int>(names.size());
    }
    ui::CheckBox& box(const std::string& name) {
        if (name == "All")
            return c.AllTests;
        if (name == "Core")
            return c.CoreTests;
        if (name == "Passed")
            return c.BeepifPassed;
        if (name == "Failed")
            return c.BeepIfFailed;
        return c.Test[std::stoi(name) - 1];
    }
    /// Rows as Y/N, then All Tests and Core Tests, then the two beep boxes.
    std::string state() {
        std::string s;
        for (int r = 0; r < session.TestCount; ++r)
            s += c.Test[r].value() ? 'Y' : 'N';
        for (const char* b : {"All", "Core", "Passed", "Failed"})
            s += std::string(" ") + (box(b).value() ? 'Y' : 'N');
        return s;
    }
};

TEST_F(Selection, ClicksCascadeAsTheRowsAndOptionsRequire) {
    struct Case {
        std::vector<std::string> clicks;
        std::string after;
    };
    const std::vector<Case> cases{
        {{"All"}, "YYYYY Y N N N"},
        {{"All", "All"}, "NNNNN N N N N"},
        // Core rows are Loop Back, Gateway and DNS; the others follow the opposite value.
        {{"Core"}, "YYNYN N Y N N"},
        {{"Core", "Core"}, "NNYNY N N N N"},
        // Ticking Core while All is ticked clears All, whose handler clears every row first.
        {{"All", "Core"}, "YYNYN N Y N N"},
        {{"Core", "All"}, "YYYYY Y N N N"},
        // Unticking one row while All is ticked leaves only that row.
        {{"All", "3"}, "NNYNN N N N N"},
        {{"3", "5"}, "NNYNY N N N N"},
        {{"Passed", "Failed"}, "NNNNN N N N Y"},
        {{"Failed", "Passed"}, "NNNNN N N Y N"},
        {{"Passed", "Passed"}, "NNNNN N N N N"},
    };
    for (const Case& k : cases) {
        for (const char* b : {"All", "Core", "Passed", "Failed"})
            box(b).setValue(false);
        for (int r = 0; r < session.TestCount; ++r)
            c.Test[r].setValue(false);
        std::string trace;
        for (const std::string& click : k.clicks) {
            box(click).click();
            trace += click + " ";
        }
        EXPECT_EQ(state(), k.after) << trace;
    }
}

TEST_F(Selection, AllTestsIsIgnoredWhileTheTestsAreBeingSetUp) {
    session.SettingUpTests = true;
    c.AllTests.click();
    EXPECT_EQ(state(), "NNNNN Y N N N");
}

}  // namespace
}  // namespace zelto::test
