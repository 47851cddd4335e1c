#include "shell/Tray.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zelto::shell {
namespace {

using ui::WindowState;

/// Records what the tray logic asks of the notification area.
class FakeTrayHost : public TrayHost {
  public:
    void add(const TrayIconData& r) override { log("add", r); }
    void modify(const TrayIconData& r) override { log("modify", r); }
    void remove() override { log("remove", {}); }
    bool available() const override { return hasTray; }
    void showMenu() override { log("menu", {}); }

    std::vector<std::string> ops;
    std::vector<TrayIconData> records;
    bool hasTray = true;

  private:
    void log(const char* op, const TrayIconData& r) {
        ops.emplace_back(op);
        records.push_back(r);
    }
};

/// The record an icon update leaves: no balloon.
TrayIconData iconRecord(int iconId, const std::string& tip) {
    TrayIconData r;
    r.flags = kIconFlags;
    r.iconId = iconId;
    r.tip = tip;
    return r;
}

class TrayTest : public ::testing::Test {
  protected:
    TrayTest() {
        window.setVisible(true);
        window.onResize = [this] { tray.Form_Resize(); };  // as the main window wires it
    }
    void minimise() { window.setState(WindowState::Minimised); }

    ui::Window window;
    FakeTrayHost host;
    Tray tray{window, host};
};

TEST_F(TrayTest, MinimiseAddsTheIconAndHidesTheWindow) {
    tray.SetTrayIcon(101, "Zelto Stopped");
    EXPECT_TRUE(host.ops.empty());  // nothing in the tray until the first minimise
    minimise();
    EXPECT_EQ(host.ops, (std::vector<std::string>{"add"}));
    EXPECT_EQ(host.records[0].iconId, 101);
    EXPECT_EQ(host.records[0].tip, "Zelto Stopped");
    EXPECT_FALSE(window.visible());
    EXPECT_TRUE(tray.inTray());
}

TEST_F(TrayTest, DoubleClickRestoresNormalAndRemovesTheIconEvenFromMaximised) {
    window.setState(WindowState::Maximised);
    minimise();
    tray.activated(Activation::DoubleClick);
    EXPECT_EQ(window.state(), WindowState::Normal);
    EXPECT_TRUE(window.visible());
    EXPECT_FALSE(tray.inTray());
    EXPECT_EQ(host.ops, (std::vector<std::string>{"add", "remove"}));

    // Minimise and show again: the same round trip.
    minimise();
    tray.mnuShow_Click();
    EXPECT_EQ(host.ops, (std::vector<std::string>{"add", "remove", "add", "remove"}));
}

TEST_F(TrayTest, IconUpdatesReachTheTrayOnlyWhileMinimised) {
    tray.SetTrayIcon(103, "Stopped-Last pass OK at 10:15:03");
    EXPECT_EQ(window.icon(), 103);
    EXPECT_EQ(tray.record(), iconRecord(103, "Stopped-Last pass OK at 10:15:03"));
    EXPECT_TRUE(host.ops.empty());

    minimise();
    tray.SetTrayIcon(102, "Running-2) Gateway-problem  at 10:15:33");
    EXPECT_EQ(host.ops, (std::vector<std::string>{"add", "modify"}));
    EXPECT_EQ(host.records[1], tray.record());
    EXPECT_EQ(host.records[1].iconId, 102);
}

TEST_F(TrayTest, BalloonKeepsTheIconAndLeavesTheTipBlankUntilTheNextIcon) {
    tray.SetTrayIcon(101, "Zelto Stopped");
    minimise();
    const std::string tip = "Running-2) Gateway-failed  at 10:15:03";
    tray.SetTrayIcon(101, tip);
    tray.ShowTrayBalloon("", tip, 1, "Network problem", kBalloonError);

    const TrayIconData balloon{kBalloonFlags, 101, "", tip, 1, "Network problem", kBalloonError};
    EXPECT_EQ(host.ops, (std::vector<std::string>{"add", "modify", "modify"}));
    EXPECT_EQ(host.records[2], balloon);

    // A later icon update carries no balloon and brings the tip back.
    tray.SetTrayIcon(101, tip);
    EXPECT_EQ(host.records.back(), iconRecord(101, tip));
}

TEST_F(TrayTest, BalloonIsHandedOnEvenWhenTheWindowIsShown) {
    tray.SetTrayIcon(102, "x");
    tray.ShowTrayBalloon("t", "info", 5, "title", 1);
    EXPECT_EQ(host.ops, (std::vector<std::string>{"modify"}));
    EXPECT_EQ(host.records[0].iconId, 102);
}

TEST_F(TrayTest, WithoutANotificationAreaTheWindowStaysOnTheTaskBar) {
    host.hasTray = false;
    minimise();
    EXPECT_TRUE(window.visible());
    EXPECT_EQ(window.state(), WindowState::Minimised);
    EXPECT_EQ(host.ops, (std::vector<std::string>{"add"}));  // shown if a tray turns up later

    // Restored from the task bar: no icon is left behind.
    window.setState(WindowState::Normal);
    EXPECT_EQ(host.ops, (std::vector<std::string>{"add", "remove"}));
    EXPECT_FALSE(tray.inTray());
}

TEST_F(TrayTest, ContextClickPopsUpTheMenuAndOtherActionsDoNothing) {
    minimise();
    tray.activated(Activation::Context);
    tray.activated(Activation::Other);
    EXPECT_EQ(host.ops, (std::vector<std::string>{"add", "menu"}));
    EXPECT_EQ(window.state(), WindowState::Minimised);
    EXPECT_FALSE(window.visible());
}

TEST_F(TrayTest, UnloadRemovesTheIconOnlyWhenThereIsOne) {
    tray.Form_Unload();
    EXPECT_TRUE(host.ops.empty());
    minimise();
    tray.Form_Unload();
    EXPECT_EQ(host.ops, (std::vector<std::string>{"add", "remove"}));
}

TEST_F(TrayTest, TextsAreCutToTheirFields) {
    const std::string longText(300, 'x');
    tray.SetTrayIcon(101, longText);
    EXPECT_EQ(tray.record().tip, std::string(127, 'x'));
    tray.ShowTrayBalloon(longText, longText, 1, longText, 3);
    EXPECT_EQ(tray.record().tip, std::string(127, 'x'));
    EXPECT_EQ(tray.record().info, std::string(255, 'x'));
    EXPECT_EQ(tray.record().infoTitle, std::string(63, 'x'));
}

struct CutCase {
    const char* name;
    std::string text;
    std::string expected;
};

class CutToField : public ::testing::TestWithParam<CutCase> {};

TEST_P(CutToField, KeepsWhatFitsAndNeverSplitsACharacter) {
    EXPECT_EQ(cutToField(GetParam().text, 8), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Tray, CutToField,
    ::testing::Values(CutCase{"Short", "abc", "abc"}, CutCase{"Exact", "abcdefg", "abcdefg"},
                      CutCase{"OneOver", "abcdefgh", "abcdefg"},
                      // "ü" is two bytes; the cut would fall between them.
                      CutCase{"TwoByteAcross", "abcdef\xC3\xBC", "abcdef"},
                      CutCase{"TwoByteFits", "abcde\xC3\xBCz", "abcde\xC3\xBC"},
                      // "€" is three bytes starting at the sixth.
                      CutCase{"ThreeByteAcross", "abcde\xE2\x82\xAC", "abcde"},
                      CutCase{"FourByteAcross", "abcd\xF0\x9F\x98\x80", "abcd"},
                      // Latin-1 bytes are no UTF-8: cut where the field ends.
                      CutCase{"Latin1", "abcdef\xFC\xFC\xFC", "abcdef\xFC"}),
    [](const ::testing::TestParamInfo<CutCase>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace zelto::shell
