#include "shell/Tray.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zelto::shell {
namespace {

using ui::WindowState;
using Ops = std::vector<std::string>;

/// Records what the tray logic asks of the notification area.
class FakeTrayHost : public TrayHost {
  public:
    void add(const TrayIconData& r) override { log("add", r); }
    void modify(const TrayIconData& r) override { log("modify", r); }
    void remove() override { log("remove", {}); }
    bool available() const override { return hasTray; }
    void showMenu() override { log("menu", {}); }

    Ops ops;
    std::vector<TrayIconData> records;
    bool hasTray = true;

  private:
    void log(const char* op, const TrayIconData& r) {
        ops.emplace_back(op);
        records.push_back(r);
    }
};

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

TEST_F(TrayTest, MinimiseGoesToTheTrayAndDoubleClickComesBackNormalEvenFromMaximised) {
    tray.SetTrayIcon(101, "Zelto Stopped");
    EXPECT_TRUE(host.ops.empty());  // nothing in the tray until the first minimise
    window.setState(WindowState::Maximised);
    minimise();
    EXPECT_EQ(host.ops, Ops{"add"});
    EXPECT_EQ(host.records[0].tip, "Zelto Stopped");
    EXPECT_FALSE(window.visible());

    tray.activated(Activation::Context);
    tray.activated(Activation::Other);
    tray.activated(Activation::DoubleClick);
    EXPECT_EQ(window.state(), WindowState::Normal);
    EXPECT_TRUE(window.visible());
    EXPECT_EQ(host.ops, (Ops{"add", "menu", "remove"}));

    tray.Form_Unload();  // no icon left to remove
    minimise();
    tray.Form_Unload();
    EXPECT_EQ(host.ops, (Ops{"add", "menu", "remove", "add", "remove"}));
}

TEST_F(TrayTest, IconUpdatesReachTheTrayOnlyWhileMinimised) {
    tray.SetTrayIcon(103, "Stopped-Last pass OK at 10:15:03");
    EXPECT_EQ(window.icon(), 103);
    EXPECT_EQ(tray.record().flags, kIconFlags);
    EXPECT_TRUE(host.ops.empty());
    minimise();
    tray.SetTrayIcon(102, "Running-2) Gateway-problem  at 10:15:33");
    EXPECT_EQ(host.ops, (Ops{"add", "modify"}));
    EXPECT_EQ(host.records[1].iconId, 102);
    EXPECT_EQ(window.icon(), 102);
}

TEST_F(TrayTest, BalloonKeepsTheIconAndLeavesTheTipBlankUntilTheNextIcon) {
    tray.SetTrayIcon(101, "Zelto Stopped");
    const std::string tip = "Running-2) Gateway-failed  at 10:15:03";
    tray.ShowTrayBalloon("", tip, 1, "Network problem", kBalloonError);  // handed on even shown
    EXPECT_EQ(host.ops, Ops{"modify"});
    EXPECT_EQ(host.records[0],
              (TrayIconData{kBalloonFlags, 101, "", tip, 1, "Network problem", kBalloonError}));

    minimise();
    tray.SetTrayIcon(101, tip);  // no balloon any more, the tip is back
    EXPECT_EQ(host.records.back(), (TrayIconData{kIconFlags, 101, tip, "", 0, "", 0}));
}

TEST_F(TrayTest, WithoutANotificationAreaTheWindowStaysOnTheTaskBar) {
    host.hasTray = false;
    minimise();
    EXPECT_TRUE(window.visible());
    EXPECT_EQ(host.ops, Ops{"add"});       // shown should a tray turn up later
    window.setState(WindowState::Normal);  // restored from the task bar: no icon stays behind
    EXPECT_EQ(host.ops, (Ops{"add", "remove"}));
}

TEST_F(TrayTest, TextsAreCutToTheirFields) {
    const std::string longText(300, 'x');
    tray.ShowTrayBalloon(longText, longText, 1, longText, 3);
    EXPECT_EQ(tray.record().tip, std::string(127, 'x'));
    EXPECT_EQ(tray.record().info, std::string(255, 'x'));
    EXPECT_EQ(tray.record().infoTitle, std::string(63, 'x'));
}

TEST(CutToField, KeepsWhatFitsAndNeverSplitsACharacter) {
    EXPECT_EQ(cutToField("abcdefg", 8), "abcdefg");
    EXPECT_EQ(cutToField("abcdefgh", 8), "abcdefg");
    EXPECT_EQ(cutToField("abcdef\xC3\xBC", 8), "abcdef");          // "ü" across the end
    EXPECT_EQ(cutToField("abcde\xC3\xBCz", 8), "abcde\xC3\xBC");   // "ü" fits
    EXPECT_EQ(cutToField("abcde\xE2\x82\xAC", 8), "abcde");        // "€"
    EXPECT_EQ(cutToField("abcd\xF0\x9F\x98\x80", 8), "abcd");      // an emoji
    EXPECT_EQ(cutToField("abcdef\xFC\xFC\xFC", 8), "abcdef\xFC");  // Latin-1 is no UTF-8
}

}  // namespace
}  // namespace zelto::shell
