#include "shell/Tray.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Fakes.h"

namespace zelto::shell {
namespace {

using ui::WindowState;
using Ops = std::vector<std::string>;

struct TrayTest : ::testing::Test {
    TrayTest() {
        window.setVisible(true);
        window.onResize = [this] { tray.Form_Resize(); };  // as the main window wires it
    }
    void minimise() { window.setState(WindowState::Minimised); }

    ui::Window window;
    test::RecordingTrayHost host;
    Tray tray{window, host};
};

// Icon updates reach the tray only while minimised; a double click brings the window back in
// normal state even from maximised.
TEST_F(TrayTest, MinimiseGoesToTheTrayAndDoubleClickComesBack) {
    tray.SetTrayIcon(101, "Zelto Stopped");
    window.setState(WindowState::Maximised);
    minimise();
    EXPECT_FALSE(window.visible());
    tray.activated(Activation::Context);
    tray.activated(Activation::Other);
    tray.activated(Activation::DoubleClick);
    EXPECT_EQ(window.state(), WindowState::Normal);
    EXPECT_TRUE(window.visible());
    tray.Form_Unload();  // no icon left to remove
    minimise();
    tray.SetTrayIcon(102, "problem");
    EXPECT_EQ(window.icon(), 102);
    tray.Form_Unload();
    EXPECT_EQ(host.calls, (Ops{"add Zelto Stopped", "menu", "remove", "add Zelto Stopped",
                               "modify 102 problem|", "remove"}));
}

// A balloon is handed on even while shown; the next icon update brings the tip back.
TEST_F(TrayTest, BalloonKeepsTheIconAndLeavesTheTipBlankUntilTheNextIcon) {
    tray.SetTrayIcon(101, "Zelto Stopped");
    tray.ShowTrayBalloon("", "failed", 1, "Network problem", kBalloonError);
    EXPECT_EQ(tray.record(), (TrayIconData{kBalloonFlags, 101, "", "failed", 1, "Network problem",
                                           kBalloonError}));
    minimise();
    tray.SetTrayIcon(101, "failed");
    EXPECT_EQ(tray.record(), (TrayIconData{kIconFlags, 101, "failed", "", 0, "", 0}));
    EXPECT_EQ(host.calls, (Ops{"modify 101 |failed", "add ", "modify 101 failed|"}));
}

// Without a notification area the window stays on the task bar; the icon is still added in
// case a tray turns up, and goes when the window is restored from the task bar.
TEST_F(TrayTest, WithoutANotificationAreaTheWindowStaysOnTheTaskBar) {
    host.present = false;
    minimise();
    EXPECT_TRUE(window.visible());
    window.setState(WindowState::Normal);
    EXPECT_EQ(host.calls, (Ops{"add ", "remove"}));
}

// The texts are cut to their fields, never inside a UTF-8 character.
TEST_F(TrayTest, TextsAreCutToTheirFields) {
    const std::string longText(300, 'x');
    tray.ShowTrayBalloon(longText, longText, 1, longText, 3);
    EXPECT_EQ(tray.record().tip, std::string(127, 'x'));
    EXPECT_EQ(tray.record().info, std::string(255, 'x'));
    EXPECT_EQ(tray.record().infoTitle, std::string(63, 'x'));
    EXPECT_EQ(cutToField("abcdef\xC3\xBC", 8), "abcdef");          // "ü" across the end
    EXPECT_EQ(cutToField("abcde\xC3\xBCz", 8), "abcde\xC3\xBC");   // "ü" fits
    EXPECT_EQ(cutToField("abcd\xF0\x9F\x98\x80", 8), "abcd");      // an emoji
    EXPECT_EQ(cutToField("abcdef\xFC\xFC\xFC", 8), "abcdef\xFC");  // Latin-1 is no UTF-8
}

}  // namespace
}  // namespace zelto::shell
