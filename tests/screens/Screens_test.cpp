#include "screens/ConfigureTests.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "screens/NetParmsText.h"
#include "support/ProfileFixture.h"

namespace zelto::profiles {
namespace {

using Texts = std::vector<std::string>;

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
    std::array<ui::TextBox*, 5> boxes(int i) {
        auto value = [&](int k) { return &screen.TestValue[ConfigureTests::valueBox(i, k)]; };
        return {&screen.Test[i], &screen.TestMessage[i], value(1), value(2), value(3)};
    }
    /// Line `i` as its boxes read: name, message, value boxes 1 to 3.
    Texts line(int i) {
        Texts out;
        for (ui::TextBox* box : boxes(i))
            out.push_back(box->text());
        return out;
    }
    /// Types `l` over line `i`, boxes it leaves out emptied.
    void setLine(int i, Texts l) {
        l.resize(5);
        for (int k = 0; k < 5; ++k)
            boxes(i)[k]->setText(l[k]);
    }
    /// Opens the screen on slot 0 and types `lines` over lines 1 to 7.
    void edit(const std::vector<Texts>& lines) {
        open();
        for (int i = 1; i <= ConfigureTests::kLines; ++i)
            setLine(i, i <= static_cast<int>(lines.size()) ? lines[i - 1] : Texts{});
    }
    Texts row(int r) {
        Texts out;
        for (int f = 0; f <= MessageField; ++f)
            out.push_back(cell(0, r, f));
        return out;
    }

    ConfigureTests screen{ctx};
};

TEST_F(Screen, OpeningShowsTheProfileEditsNotStoredGoAndAStoreGoesIntoTheSlotCurrentThen) {
    open();
    EXPECT_EQ(screen.ConfiguredBy.text(), "Desk");
    EXPECT_EQ(line(2), (Texts{"Web", " ", "a", "b", "c"}));  // the fourth item is not shown
    setLine(4, {"Typed", "t", "x"});
    screen.Option1.select(2);
    screen.unload();
    open(1);
    EXPECT_EQ(line(1), (Texts{"Print", "print", "p", "", ""}));
    EXPECT_EQ(line(2), Texts(5));
    EXPECT_EQ(line(4), Texts(5));
    EXPECT_EQ(screen.Option1.selected(), 0);

    const std::string file = dir.read("OutofOffice.ini");
    setLine(1, {"Edited", "e", "5.5.5.5"});
    ASSERT_FALSE(loadEnds(0));  // the user switched to Out of Office meanwhile
    prompt.answers = {ui::Answer::No};
    screen.PermStore.click();
    EXPECT_EQ(row(1), (Texts{"2) Edited", "5.5.5.5", kBlank, kBlank, kBlank, "e"}));
    EXPECT_EQ(cell(1, 1, 0), "2) Print");
    EXPECT_EQ(dir.read("OutofOffice.ini"), file);
}

TEST_F(Screen, FillsPutTheNetworksValuesIntoTheSelectedLineOnly) {
    open();
    net.modes.clear();
    screen.Gateway.click();  // no line selected: the user is asked for one
    EXPECT_TRUE(net.modes.empty());
    EXPECT_EQ(prompt.messages.size(), 1U);
    // Fills line 5 from the network `net` describes: its name and value boxes then.
    const auto fill = [this](ui::Button& button, const Texts& expected) {
        setLine(5, {"Old", "old message", "1", "2", "3"});
        screen.Option1.select(5);
        button.click();
        const Texts shown = line(5);
        EXPECT_EQ((Texts{shown[0], shown[2], shown[3], shown[4]}), expected);
        EXPECT_EQ(net.modes, Texts{expected[0]});
        net = test::FakeGatherer();
    };
    net.snap.DnsServers[1] = "192.0.2.53", net.snap.DnsServers[3] = "192.0.2.54";
    fill(screen.DNS, {"DNS", "192.0.2.53", "192.0.2.54", ""});
    net.adapter(1, "", {"10.0.0.1"});
    fill(screen.Gateway, {"Gateway", ConfigureTests::kNoValue, "", ""});
    // In adapter order, adapters without an address skipped, at most three.
    net.adapter(1, "", {"10.9.9.9"});
    net.adapter(2, "10.0.0.5", {"10.0.0.1"});
    net.adapter(4, "10.4.0.5", {"10.4.0.1", "10.4.0.2", "10.4.0.3"});
    fill(screen.Gateway, {"Gateway", "10.0.0.1", "10.4.0.1", "10.4.0.2"});
    // Only enabled adapters 1 to 3 with an address and a known server.
    net.adapter(1, "10.0.0.5", {}, "Blank!");
    net.adapter(2, "", {}, "10.2.0.2");
    net.adapter(3, "10.3.0.5", {}, "10.3.0.2");
    net.adapter(4, "10.4.0.5", {}, "10.4.0.2");
    fill(screen.DHCP, {"DHCP", "10.3.0.2", "", ""});
}

TEST_F(Screen, KeywordsGoOnlyIntoGatewayDhcpOrDnsLinesAndMovesCarryWholeLines) {
    open();
    setLine(4, {"GATEWAY", "g", "1", "2", "3"});
    screen.Option1.select(4);
    screen.Autoconfig[1].click();
    EXPECT_EQ(line(4), (Texts{"GATEWAY", "g", "Learn&Save", "", ""}));
    screen.Option1.select(3);  // Mail: refused
    screen.Autoconfig[0].click();
    screen.MoveUp.click();
    EXPECT_EQ(screen.Option1.selected(), 2);
    EXPECT_EQ(line(2), (Texts{"Mail", "read mail", "mx:25", "", ""}));
    EXPECT_EQ(line(3), (Texts{"Web", " ", "a", "b", "c"}));
    screen.Option1.select(1);
    screen.MoveUp.click();
    screen.Option1.select(7);
    screen.MoveDown.click();
    screen.ClearValues.click();
    EXPECT_EQ(line(7), Texts(5));
    EXPECT_EQ(prompt.messages.size(), 3U) << "Autoconfig for Mail, the top, the bottom";
}

TEST_F(Screen, StoringPacksNamedLinesRenumbersThemAndBlanksTheRest) {
    edit({{"First", "one", "1.1.1.1", "", "1.1.1.3"},
          {"   ", "ignored", "9.9.9.9"},
          {"NoValues", "gone", "", "  ", ""},
          {},
          {" Spaced ", "", "", "", " v "}});
    screen.ConfiguredBy.setText(" New banner ");
    session.Run.PassCount = 7;
    screen.TempStore.click();

    EXPECT_EQ(cell(0, 0, 4), " New banner ");
    EXPECT_EQ(row(1), (Texts{"2) First", "1.1.1.1", "1.1.1.3", kBlank, kBlank, "one"}));
    // The spaced name keeps its spaces; the empty message stays empty, not " ".
    EXPECT_EQ(row(2), (Texts{"3)  Spaced ", " v ", kBlank, kBlank, kBlank, ""}));
    for (int f = 0; f <= MaxItemField; ++f)  // Mail's row, left over
        EXPECT_EQ(cell(0, 3, f), kBlank) << f;
    EXPECT_EQ(cell(0, 0, 1), "127.0.0.1") << "Loop Back is untouched";
    // The main window shows the new tests, not run.
    EXPECT_EQ(session.Run.PassCount, 0);
    EXPECT_EQ(w.Test[2].caption(), "3)  Spaced ");
    EXPECT_FALSE(w.Test[3].visible());
}

// Whatever the store accepts must come back the same from the file it writes; what the file
// cannot hold (a line break, the empty-slot marker, a value read back as a header) is refused
// before anything changes.
TEST_F(Screen, EveryStoredBoxComesBackFromTheFileAndTheRestIsRefused) {
    struct Case {
        int line;  // 0: the Configured By box
        int box;   // 0 name, 1 message, 2 to 4 value boxes 1 to 3
        std::string text;
        std::string refusedAs;  // start of the message, empty when stored
    };
    const std::vector<Case> cases{
        {1, 4, "  [x] ", "Test line 1 (Gateway), value box 3: \"[x]\" would be read back as"},
        {1, 2, " Blank! ", "Test line 1 (Gateway), value box 1: \"Blank!\" marks an empty"},
        {1, 1, "msg\rbreak", "Test line 1 (Gateway), message: a line break"},
        {0, 0, "Desk\r\n[Evil]", "Configured By: a line break"},
        {1, 3, "[x", ""},
        {1, 3, "\t[x]", ""},
        {1, 0, "[x]", ""},
        {0, 0, "[Configured By]", ""},
    };
    // Only the banner's row and line 1's can change; rows left blank keep stale messages.
    const auto table = [this] { return std::vector<Texts>{row(0), row(1)}; };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.text);
        prompt.messages.clear();
        edit({{"Gateway", "gw", "10.0.0.1", "10.0.0.2", "10.0.0.3"}});
        const std::vector<Texts> before = table();
        (k.line == 0 ? &screen.ConfiguredBy : boxes(k.line)[k.box])->setText(k.text);
        prompt.answers = {ui::Answer::Yes};
        screen.PermStore.click();
        const std::vector<Texts> after = table();
        ASSERT_FALSE(loadEnds(0));
        EXPECT_EQ(table(), after);
        EXPECT_EQ(after == before, !k.refusedAs.empty());
        if (k.refusedAs.empty())
            continue;
        ASSERT_EQ(prompt.messages.size(), 1U);
        EXPECT_EQ(prompt.messages[0].text.rfind(k.refusedAs, 0), 0U) << prompt.messages[0].text;
        EXPECT_TRUE(screen.window.visible());
    }
}

// The Network Parameters screen shows a gather's report or analysis only once opened.
TEST_F(Screen, NetworkParametersShowWhatTheGatherAsksOnceOpenedAndLogIt) {
    dir.write("Help.txt", "[No Network Adapters]\r\nPlug in your adapter.\r\n");
    ui::FixedClock clock{ui::makeLocalTime(2026, 12, 5, 5, 8, 4)};
    netparams::NetParmsText shown{net, session, prompt, clock};
    const std::string& text = shown.Net_Parms_Text.text();
    net.snap.NetParamReport = "\r\nDNS Servers ---";
    const netparams::GatherOutcome report{{}, true, false, {}}, analysis{{}, false, true, {}};
    shown.applyGatherOutcome(report, net.snap);
    EXPECT_EQ(text, "");
    shown.window.load();
    shown.applyGatherOutcome(report, net.snap);
    EXPECT_EQ(text, net.snap.NetParamReport);
    shown.listInterfaces = [] { return std::nullopt; };  // an unreadable table: the box stays
    shown.AdapterStatus.click();
    EXPECT_EQ(text, net.snap.NetParamReport);
    shown.applyGatherOutcome(analysis, net.snap);  // with the help file's advice
    EXPECT_EQ(text, "Plug in your adapter.\r\n");
    prompt.answers = {ui::Answer::Yes};
    shown.PrintLog.click();
    EXPECT_EQ(dir.read("NetParm12-5-2026-5-8-4.Txt"), "Plug in your adapter.\r\n\r\n");
    EXPECT_EQ(prompt.messages.size(), 1U) << "only the log's question";
}

}  // namespace
}  // namespace zelto::profiles
