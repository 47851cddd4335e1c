#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "screens/ConfigureTests.h"
#include "screens/TempStore.h"
#include "support/ProfileFixture.h"

namespace zelto::profiles {
namespace {

TEST(IsBlankText, EmptiesOnlySpacesAndKeepsEverythingElse) {
    struct Case {
        std::string text;
        bool blank;
    };
    for (const Case& k : std::vector<Case>{{"", true},
                                           {" ", true},
                                           {"     ", true},
                                           {"\t", false},
                                           {" x ", false},
                                           {"Blank!", false}}) {
        std::string text = k.text;
        EXPECT_EQ(IsBlankText(text), k.blank) << '"' << k.text << '"';
        EXPECT_EQ(text, k.blank ? "" : k.text) << '"' << k.text << '"';
    }
}

/// One test line of the screen: name, message and its three value boxes.
struct Line {
    std::string name, message;
    std::vector<std::string> values;
};

struct Store : test::ProfileFixture {
    Store() {
        net.adapter(1, "10.0.0.5", {"10.0.0.1"});
        writeProfile("OutofOffice.ini", {"[Configured By]", "Desk", "[Gateway]", "gw", "10.0.0.1",
                                         "[Web]", " ", "a", "b", "c", "d"});
        writeProfile("InOffice.ini", {"[Configured By]", "Office desk", "[Mail]", "m", "mx"});
    }
    /// Loads slot `slot`, opens the screen on it and types `lines` into lines 1 to 7.
    void edit(const std::vector<Line>& lines, int slot = 0) {
        ASSERT_FALSE(loadEnds(slot));
        screen.open();
        for (int i = 1; i <= ConfigureTests::kLines; ++i) {
            const Line none;
            const Line& l = i <= static_cast<int>(lines.size()) ? lines[i - 1] : none;
            screen.Test[i].setText(l.name);
            screen.TestMessage[i].setText(l.message);
            for (int k = 1; k <= 3; ++k) {
                screen.TestValue[ConfigureTests::valueBox(i, k)].setText(
                    k <= static_cast<int>(l.values.size()) ? l.values[k - 1] : "");
            }
        }
    }
    std::vector<std::string> row(int r, int slot = 0) {
        std::vector<std::string> out;
        for (int f = 0; f <= MessageField; ++f)
            out.push_back(cell(slot, r, f));
        return out;
    }
    bool permStoreEnds(ui::Answer answer) {
        prompt.answers = {answer};
        try {
            screen.PermStore.click();
        } catch (const ui::ProgramEnded& e) {
            endStatus = e.status;
            return true;
        }
        return false;
    }

    ConfigureTests screen{ctx};
};

TEST_F(Store, NamedLinesArePackedRenumberedAndTheRestBlanked) {
    edit({{"First", "one", {"1.1.1.1", "", "1.1.1.3"}},
          {"   ", "ignored", {"9.9.9.9"}},
          {"NoValues", "gone", {"", "  ", ""}},
          {"", "", {}},
          {" Spaced ", "", {" v "}},
          {"Last", "six", {"", "", "6.6.6.6"}}});
    screen.ConfiguredBy.setText(" New banner ");
    session.Run.PassCount = 7;
    screen.TempStore.click();

    EXPECT_EQ(cell(0, 0, 4), " New banner ");
    EXPECT_EQ(row(1),
              (std::vector<std::string>{"2) First", "1.1.1.1", "1.1.1.3", kBlank, kBlank, "one"}));
    // The spaced name keeps its spaces; the empty message stays empty, not " ".
    EXPECT_EQ(row(2), (std::vector<std::string>{"3)  Spaced ", " v ", kBlank, kBlank, kBlank, ""}));
    EXPECT_EQ(row(3),
              (std::vector<std::string>{"4) Last", "6.6.6.6", kBlank, kBlank, kBlank, "six"}));
    for (int r = 4; r <= MaxTestRow; ++r) {
        for (int f = 0; f <= MaxItemField; ++f)
            EXPECT_EQ(cell(0, r, f), kBlank) << r << "," << f;
    }
    // Loop Back is untouched.
    EXPECT_EQ(cell(0, 0, 0), "1) Loop Back");
    EXPECT_EQ(cell(0, 0, 1), "127.0.0.1");

    // The main window shows the new tests, all ticked and not run, and the screen is gone.
    EXPECT_EQ(session.Run.PassCount, 0);
    EXPECT_EQ(w.Banner.text(), "Configured by  New banner ");
    EXPECT_EQ(session.TestCount, 4);
    EXPECT_EQ(w.Test[3].caption(), "4) Last");
    EXPECT_TRUE(w.Test[3].value());
    EXPECT_EQ(w.Test[2].toolTip(), " v   ");
    EXPECT_FALSE(w.Test[4].visible());
    EXPECT_EQ(w.Status[1].text(), "not run");
    EXPECT_FALSE(screen.window.visible());
    EXPECT_TRUE(dir.read("OutofOffice.ini").find("[Web]") != std::string::npos)
        << "the temporary store wrote the file";
}

TEST_F(Store, ALineWithoutValuesGivesItsRowToTheNextTest) {
    edit({{"A", "a", {"1"}}, {"Gone", "g", {}}, {"B", "b", {"2"}}, {"C", "c", {"3"}}});
    screen.TempStore.click();
    EXPECT_EQ(row(2), (std::vector<std::string>{"3) B", "2", kBlank, kBlank, kBlank, "b"}));
    EXPECT_EQ(row(3), (std::vector<std::string>{"4) C", "3", kBlank, kBlank, kBlank, "c"}));
    EXPECT_EQ(cell(0, 4, 0), kBlank);
}

TEST_F(Store, OnlyTheCurrentSlotChangesAndAFourthItemIsDropped) {
    ASSERT_FALSE(loadEnds(1));
    const TestTable before = session.Table;
    ASSERT_FALSE(loadEnds(0));
    screen.open();  // "Web" shows a, b, c; its fourth item d is not on the screen
    screen.TempStore.click();
    EXPECT_EQ(row(2), (std::vector<std::string>{"3) Web", "a", "b", "c", kBlank, " "}));
    for (int r = 0; r <= MaxTestRow; ++r) {
        for (int f = 0; f <= MessageField; ++f)
            EXPECT_EQ(cell(1, r, f), before.at(1, r, f)) << r << "," << f;
    }
}

TEST_F(Store, ApplyingWritesIntoTheSlotCurrentAtThatMoment) {
    edit({{"Edited", "e", {"5.5.5.5"}}});
    ASSERT_FALSE(loadEnds(1));  // the user switched to In Office meanwhile
    screen.TempStore.click();
    EXPECT_EQ(cell(1, 1, 0), "2) Edited");
    EXPECT_EQ(cell(0, 1, 0), "2) Gateway");
    EXPECT_EQ(w.window.caption(), "Zelto 1.9 - In the Office Tests");
}

TEST_F(Store, PermanentStoreWritesTheLoadersFormat) {
    edit({{"Gateway", "", {"10.0.0.1", "", "10.0.0.2"}}, {"[x]", " ", {"host:80"}}});
    ASSERT_FALSE(permStoreEnds(ui::Answer::Yes));
    EXPECT_EQ(dir.read("OutofOffice.ini"),
              "[Configured By]\r\nDesk\r\n[Gateway]\r\n\r\n10.0.0.1\r\n10.0.0.2\r\n"
              "[[x]]\r\n \r\nhost:80\r\n");
    EXPECT_EQ(prompt.messages.back().title, "Save to File");
    EXPECT_FALSE(screen.window.visible());
}

TEST_F(Store, DecliningThePermanentStoreKeepsTheFileButAppliesTheEdits) {
    const std::string file = dir.read("OutofOffice.ini");
    edit({{"Only", "o", {"7.7.7.7"}}});
    ASSERT_FALSE(permStoreEnds(ui::Answer::No));
    EXPECT_EQ(dir.read("OutofOffice.ini"), file);
    EXPECT_EQ(cell(0, 1, 0), "2) Only");
    EXPECT_EQ(cell(0, 2, 0), kBlank);
    EXPECT_EQ(w.Test[1].caption(), "2) Only");
}

// Whatever the store accepts must come back the same from the file it writes; what the file
// cannot hold (a line break, the empty-slot marker, a value read back as a header) is refused
// before anything changes.
TEST_F(Store, EveryStoredBoxComesBackFromTheFileAndTheRestIsRefused) {
    struct Case {
        int line;  // 0: the Configured By box
        int box;   // 0 name, 1 to 3 a value box, 4 the message
        std::string text;
        std::string refusedAs;  // start of the message, empty when stored
    };
    const std::vector<Case> cases{
        {1, 2, "[x]", "Test line 1 (Gateway), value box 2: \"[x]\" would be read back as"},
        {1, 3, "  [x y] ", "Test line 1 (Gateway), value box 3: \"[x y]\""},
        {1, 1, " Blank! ", "Test line 1 (Gateway), value box 1: \"Blank!\" marks an empty"},
        {1, 2, "a\rb", "Test line 1 (Gateway), value box 2: a line break"},
        {1, 4, "msg\r\nbreak", "Test line 1 (Gateway), message: a line break"},
        {1, 0, "Two\nlines", "Test line 1 (Two\nlines), name: a line break"},
        {0, 0, "Desk\r\n[Evil]", "Configured By: a line break"},
        {1, 2, "[x", ""},
        {1, 2, "x]", ""},
        {1, 2, "\t[x]", ""},
        {1, 2, "Blank!x", ""},
        {1, 0, "[x]", ""},
        {1, 4, "[x]", ""},
        {0, 0, "[Configured By]", ""},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.text);
        prompt.messages.clear();
        edit({{"Gateway", "gw", {"10.0.0.1", "10.0.0.2", "10.0.0.3"}}});
        const TestTable before = session.Table;
        const std::string file = dir.read("OutofOffice.ini");
        ui::TextBox& box = k.line == 0  ? screen.ConfiguredBy
                           : k.box == 0 ? screen.Test[k.line]
                           : k.box == 4 ? screen.TestMessage[k.line]
                                        : screen.TestValue[ConfigureTests::valueBox(k.line, k.box)];
        box.setText(k.text);
        ASSERT_FALSE(permStoreEnds(ui::Answer::Yes));
        if (!k.refusedAs.empty()) {
            ASSERT_EQ(prompt.messages.size(), 1U);
            EXPECT_EQ(prompt.messages[0].text.rfind(k.refusedAs, 0), 0U) << prompt.messages[0].text;
            EXPECT_TRUE(screen.window.visible());
            EXPECT_EQ(dir.read("OutofOffice.ini"), file);
            EXPECT_EQ(session.Table.at(0, 1, 0), before.at(0, 1, 0));
            EXPECT_EQ(session.Table.at(0, 0, 4), before.at(0, 0, 4));
            continue;
        }
        const TestTable stored = session.Table;
        ASSERT_FALSE(loadEnds(0));
        for (int r = 0; r <= MaxTestRow; ++r) {
            for (int f = 0; f <= MaxItemField; ++f)
                EXPECT_EQ(cell(0, r, f), stored.at(0, r, f)) << r << "," << f;
        }
        EXPECT_EQ(cell(0, 1, MessageField), stored.at(0, 1, MessageField));
    }
}

}  // namespace
}  // namespace zelto::profiles
