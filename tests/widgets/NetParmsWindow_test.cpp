#include "widgets/NetParmsWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "support/Fakes.h"
#include "support/WidgetApp.h"

namespace zelto::widgets {
namespace {

using test::app;

TEST(NetParmsWindow, ButtonsReachTheModelAndItsTextsPlacesAndStatesReachTheWindow) {
    app();
    profiles::Session session;
    ui::ScriptedPrompter prompt;
    ui::FixedClock clock{ui::makeLocalTime(2026, 12, 5, 5, 8, 4)};
    test::FakeGatherer net;
    netparams::NetParmsText model{net, session, prompt, clock};
    NetParmsWindow window(model);
    auto button = [&](const char* name) { return window.findChild<QPushButton*>(name); };

    model.openFromMainWindow();
    ASSERT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), "Network Parameters");
    EXPECT_EQ(window.title()->text(), "Current network parameters used by your PC");
    const int left = window.screen()->availableGeometry().left();
    EXPECT_EQ(window.x(), left);

    QTest::mouseClick(button("KeyWExplain"), Qt::LeftButton);
    EXPECT_EQ(net.modes.back(), "KeyValues");
    EXPECT_EQ(window.title()->text(), "Key Network Parameters with Explanation");
    const std::string header = "\r\nDNS Servers " + std::string(60, '-');
    model.Net_Parms_Text.setText(header);
    EXPECT_EQ(window.text()->toPlainText().toStdString(), "\nDNS Servers " + std::string(60, '-'));
    // The dots line the values up, and an 80-character report line fits without wrapping.
    const QFontMetrics report(window.text()->font());
    EXPECT_EQ(report.horizontalAdvance('i'), report.horizontalAdvance('M'));
    EXPECT_GT(window.text()->viewport()->width(), report.horizontalAdvance(QString(80, 'M')));

    QTest::mouseClick(button("MoveRight"), Qt::LeftButton);
    EXPECT_EQ(window.x(), left + twipsToPixels(7850, &window));
    window.move(left + 40, window.y());  // the user drags it
    QTest::mouseClick(button("MoveLeft"), Qt::LeftButton);
    EXPECT_EQ(window.x(), left);

    window.setWindowState(Qt::WindowMinimized);
    model.openFromMainWindow();
    EXPECT_FALSE(window.windowState() & Qt::WindowMinimized);
    EXPECT_EQ(window.title()->text(), "Key Network Parameters with Explanation");
    window.close();
    EXPECT_FALSE(model.window.visible());
}

}  // namespace
}  // namespace zelto::widgets
