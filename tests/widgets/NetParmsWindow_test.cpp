#include "widgets/NetParmsWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <string>

#include "support/Fakes.h"
#include "support/TempDir.h"

namespace zelto::widgets {
namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "NetParmsWindow_test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down after main() returns crashes in its device registry.
    static auto* a = new QApplication(argc, argv);
    return *a;
}

class ParmsWindow : public ::testing::Test {
  protected:
    ParmsWindow() { session.InstallDir = dir.path(); }
    QPushButton* button(const char* name) { return window.findChild<QPushButton*>(name); }

    QApplication& qt = app();  // before any widget member
    test::TempDir dir;
    profiles::Session session;
    ui::ScriptedPrompter prompt;
    ui::FixedClock clock{ui::makeLocalTime(2026, 12, 5, 5, 8, 4)};
    test::FakeGatherer net;
    netparams::NetParmsText model{net, session, prompt, clock};
    NetParmsWindow window{model};
};

TEST_F(ParmsWindow, ButtonsReachTheHandlersAndTheModelsTextsReachTheWidgets) {
    model.openFromMainWindow();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), "Network Parameters");
    EXPECT_EQ(window.title()->text(), "Current network parameters used by your PC");
    EXPECT_TRUE(window.text()->isReadOnly());
    const QFontMetrics report(window.text()->font());  // dots line the values up
    EXPECT_EQ(report.horizontalAdvance('i'), report.horizontalAdvance('M'));

    QTest::mouseClick(button("KeyWExplain"), Qt::LeftButton);
    EXPECT_EQ(net.modes.back(), "KeyValues");
    EXPECT_EQ(window.title()->text(), "Key Network Parameters with Explanation");

    model.Net_Parms_Text.setText("\r\nDNS Servers ---\r\n   DNS Server#1: .....192.0.2.53");
    EXPECT_EQ(window.text()->toPlainText(), "\nDNS Servers ---\n   DNS Server#1: .....192.0.2.53");

    QTest::mouseClick(button("AllParameters"), Qt::LeftButton);
    EXPECT_EQ(window.text()->toPlainText(), "");
    EXPECT_EQ(net.modes.back(), "Everything");

    prompt.answers = {ui::Answer::No};
    QTest::mouseClick(button("PrintLog"), Qt::LeftButton);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].title, "Log to File");
}

TEST_F(ParmsWindow, LeftAndRightPlaceTheWindowInTwipsFromTheScreensEdge) {
    model.openFromMainWindow();
    const int left = window.screen()->availableGeometry().left();
    EXPECT_EQ(window.x(), left);
    QTest::mouseClick(button("MoveRight"), Qt::LeftButton);
    EXPECT_EQ(window.x(), left + twipsToPixels(7850, &window));
    window.move(left + 40, window.y());  // the user drags it
    QTest::mouseClick(button("MoveLeft"), Qt::LeftButton);
    EXPECT_EQ(window.x(), left);
    EXPECT_EQ(window.width(), twipsToPixels(netparams::NetParmsText::kWidth, &window));
}

TEST_F(ParmsWindow, RestoringFromMinimisedKeepsTheTitleAndClosingHidesForReuse) {
    model.openFromMainWindow();
    QTest::mouseClick(button("AdapterStatus"), Qt::LeftButton);
    window.setWindowState(Qt::WindowMinimized);
    EXPECT_EQ(model.window.state(), ui::WindowState::Minimised);
    model.openFromMainWindow();
    EXPECT_FALSE(window.windowState() & Qt::WindowMinimized);
    EXPECT_EQ(window.title()->text(), "Adapter Status");

    window.close();
    EXPECT_FALSE(model.window.visible());
    model.openBesideGuide();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.title()->text(), "Current network parameters used by your PC");
}

}  // namespace
}  // namespace zelto::widgets
