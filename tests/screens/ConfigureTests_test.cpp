#include "screens/ConfigureTests.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "screens/TempStore.h"
#include "support/ProfileFixture.h"

namespace zelto::profiles {
namespace {

using Values = std::array<std::string, 3>;
using Texts = std::vector<std::string>;

/// One test line of the screen: name, message and its three value boxes.
struct Line {
    std::string name, message;
    Values values;
    bool operator==(const Line&) const = default;
};

struct Screen : test::ProfileFixture {
    Screen() {
        writeProfile("OutofOffice.ini",
                     {"[Configured By]", "Desk", "[Gateway]", "gw", "10.0.0.1", "[Web]", " ", "a",
                      "b", "c", "d", "[Mail]", "read mail", "mx:25"});
        writeProfile("InOffice.ini", {"[Configured By]", "Office", "[Print]", "print", "p"});
    }
    void open(int slot = 0) {
        ASSERT_FALSE(loadEnds(slot));
        screen.open();
    }
    ui::TextBox& value(int line, int k) {
        return screen.TestValue[ConfigureTests::valueBox(line, k)];
    }
    Line line(int i) {
        return {screen.Test[i].text(),
                screen.TestMessage[i].text(),
                {value(i, 1).text(), value(i, 2).text(), value(i, 3).text()}};
    }
    void setLine(int i, const Line& l) {
        screen.Test[i].setText(l.name);
        screen.TestMessage[i].setText(l.message);
        for (int k = 1; k <= 3; ++k)
            value(i, k).setText(l.values[k - 1]);
    }
    /// Opens the screen on slot 0 and types `lines` over lines 1 to 7.
    void edit(const std::vector<Line>& lines) {
        open();
        for (int i = 1; i <= ConfigureTests::kLines; ++i)
            setLine(i, i <= static_cast<int>(lines.size()) ? lines[i - 1] : Line{});
    }
    Texts row(int r, int slot = 0) {
        Texts out;
        for (int f = 0; f <= MessageField; ++f)
            out.push_back(cell(slot, r, f));
        return out;
    }

    ConfigureTests screen{ctx};
};

TEST_F(Screen, OpeningShowsTheCurrentProfileAndDropsEditsNotStored) {
    open();
    EXPECT_EQ(screen.ConfiguredBy.text(), "Desk");
    EXPECT_EQ(line(2), (Line{"Web", " ", {"a", "b", "c"}}));  // the fourth item is not shown
    setLine(4, {"Typed", "t", {"x", "y", "z"}});
    screen.Option1.select(2);
    screen.unload();
    open(1);
    EXPECT_EQ(line(1), (Line{"Print", "print", {"p", "", ""}}));
    for (int i = 2; i <= ConfigureTests::kLines; ++i)
        EXPECT_EQ(line(i), Line{}) << i;
    EXPECT_EQ(screen.Option1.selected(), 0);
}

TEST_F(Screen, FillsPutTheNetworksValuesIntoTheSelectedLineOnly) {
    open();
    net.modes.clear();
    screen.Gateway.click();  // no line selected: the user is asked for one
    EXPECT_TRUE(net.modes.empty());
    struct Case {
        ui::Button ConfigureTests::*button;
        std::function<void(test::FakeGatherer&)> network;
        Values values;
    };
    const std::vector<Case> cases{
        {&ConfigureTests::DNS,
         [](auto& n) { n.snap.DnsServers[1] = "192.0.2.53", n.snap.DnsServers[3] = "192.0.2.54"; },
         {"192.0.2.53", "192.0.2.54", ""}},
        {&ConfigureTests::Gateway,
         [](auto& n) { n.adapter(1, "", {"10.0.0.1"}); },
         {ConfigureTests::kNoValue, "", ""}},
        // In adapter order, adapters without an address skipped, at most three.
        {&ConfigureTests::Gateway,
         [](auto& n) {
             n.adapter(1, "", {"10.9.9.9"});
             n.adapter(2, "10.0.0.5", {"10.0.0.1"});
             n.adapter(4, "10.4.0.5", {"10.4.0.1", "10.4.0.2", "10.4.0.3"});
         },
         {"10.0.0.1", "10.4.0.1", "10.4.0.2"}},
        // Only enabled adapters 1 to 3 with an address and a known server.
        {&ConfigureTests::DHCP,
         [](auto& n) {
             n.adapter(1, "10.0.0.5", {}, "x");
             n.snap.AdapterDhcpServer[1] = "Blank!";
             n.adapter(2, "", {}, "10.2.0.2");
             n.adapter(3, "10.3.0.5", {}, "10.3.0.2");
             n.adapter(4, "10.4.0.5", {}, "10.4.0.2");
         },
         {"10.3.0.2", "", ""}},
    };
    for (const Case& k : cases) {
        net = test::FakeGatherer();
        k.network(net);
        setLine(5, {"Old", "old message", {"1", "2", "3"}});
        screen.Option1.select(5);
        (screen.*k.button).click();
        EXPECT_EQ(line(5).name, net.modes.at(0));
        EXPECT_EQ(line(5).values, k.values) << line(5).name;
        EXPECT_EQ(line(3).name, "Mail");
    }
    EXPECT_EQ(prompt.messages.size(), 1U);
}

TEST_F(Screen, KeywordsGoOnlyIntoGatewayDhcpOrDnsLinesAndMovesCarryWholeLines) {
    open();
    setLine(4, {"GATEWAY", "g", {"1", "2", "3"}});
    screen.Option1.select(4);
    screen.Autoconfig[1].click();
    EXPECT_EQ(line(4).values, (Values{"Learn&Save", "", ""}));
    screen.Option1.select(3);  // Mail: refused
    screen.Autoconfig[0].click();
    screen.MoveUp.click();
    EXPECT_EQ(screen.Option1.selected(), 2);
    EXPECT_EQ(line(2), (Line{"Mail", "read mail", {"mx:25", "", ""}}));
    EXPECT_EQ(line(3), (Line{"Web", " ", {"a", "b", "c"}}));
    screen.Option1.select(1);
    screen.MoveUp.click();
    screen.Option1.select(7);
    screen.MoveDown.click();
    screen.ClearValues.click();
    EXPECT_EQ(line(7), Line{});
    EXPECT_EQ(line(1).name, "Gateway");
    EXPECT_EQ(prompt.messages.size(), 3U) << "Autoconfig for Mail, the top, the bottom";
}

TEST_F(Screen, StoringPacksNamedLinesRenumbersThemAndBlanksTheRest) {
    edit({{"First", "one", {"1.1.1.1", "", "1.1.1.3"}},
          {"   ", "ignored", {"9.9.9.9"}},
          {"NoValues", "gone", {"", "  ", ""}},
          {},
          {" Spaced ", "", {" v "}},
          {"Last", "six", {"", "", "6.6.6.6"}}});
    screen.ConfiguredBy.setText(" New banner ");
    session.Run.PassCount = 7;
    screen.TempStore.click();

    EXPECT_EQ(cell(0, 0, 4), " New banner ");
    EXPECT_EQ(row(1), (Texts{"2) First", "1.1.1.1", "1.1.1.3", kBlank, kBlank, "one"}));
    // The spaced name keeps its spaces; the empty message stays empty, not " ".
    EXPECT_EQ(row(2), (Texts{"3)  Spaced ", " v ", kBlank, kBlank, kBlank, ""}));
    EXPECT_EQ(row(3), (Texts{"4) Last", "6.6.6.6", kBlank, kBlank, kBlank, "six"}));
    for (int r = 4; r <= MaxTestRow; ++r) {
        for (int f = 0; f <= MaxItemField; ++f)
            EXPECT_EQ(cell(0, r, f), kBlank) << r << "," << f;
    }
    EXPECT_EQ(cell(0, 0, 1), "127.0.0.1") << "Loop Back is untouched";
    // The main window shows the new tests, not run, and the screen is gone.
    EXPECT_EQ(session.Run.PassCount, 0);
    EXPECT_EQ(session.TestCount, 4);
    EXPECT_EQ(w.Test[3].caption(), "4) Last");
    EXPECT_FALSE(w.Test[4].visible());
    EXPECT_FALSE(screen.window.visible());
}

TEST_F(Screen, EditsGoIntoTheSlotCurrentAtTheStoreAndNoKeepsTheFile) {
    const std::string file = dir.read("InOffice.ini");
    edit({{"Edited", "e", {"5.5.5.5"}}});
    ASSERT_FALSE(loadEnds(1));  // the user switched to In Office meanwhile
    prompt.answers = {ui::Answer::No};
    screen.PermStore.click();
    EXPECT_EQ(row(1, 1), (Texts{"2) Edited", "5.5.5.5", kBlank, kBlank, kBlank, "e"}));
    EXPECT_EQ(cell(0, 1, 0), "2) Gateway");
    EXPECT_EQ(dir.read("InOffice.ini"), file);
    EXPECT_EQ(w.Test[1].caption(), "2) Edited");
}

// Whatever the store accepts must come back the same from the file it writes; what the file
// cannot hold (a line break, the empty-slot marker, a value read back as a header) is refused
// before anything changes.
TEST_F(Screen, EveryStoredBoxComesBackFromTheFileAndTheRestIsRefused) {
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
                                        : value(k.line, k.box);
        box.setText(k.text);
        prompt.answers = {ui::Answer::Yes};
        screen.PermStore.click();
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
