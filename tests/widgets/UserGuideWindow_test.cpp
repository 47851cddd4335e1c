#include "widgets/UserGuideWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "support/TempDir.h"
#include "support/WidgetApp.h"

namespace zelto::widgets {
namespace {

using test::app;

TEST(UserGuideWindow, ButtonsReachTheModelAndItsModesSizesAndCloseReachTheWindow) {
    app();
    test::TempDir dir;
    dir.write("UserGuide.txt",
              "[Using Zelto]\r\nPress Run Tests.\r\n[Installation]\r\nRun it.\r\n");
    dir.write("Help.txt", "[DNS]\r\nLook up names.\r\n");
    profiles::Session session;
    session.InstallDir = dir.path();
    ui::ScriptedPrompter prompt;
    help::User_Guide model(session, prompt);
    UserGuideWindow window(model);
    auto button = [&](const char* name) { return window.findChild<QPushButton*>(name); };

    model.Open_UserGuide_Click();
    ASSERT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), "User Guide: Using Zelto");
    // Chapter buttons stand top to bottom in the guide's order, right of the text.
    int previous = -1;
    for (int index : help::User_Guide::kChapterOrder) {
        const QPushButton* b = button(QString("GuideText%1").arg(index).toLatin1());
        ASSERT_TRUE(b != nullptr && b->isVisible());
        const QPoint at = b->mapTo(&window, QPoint(0, 0));
        EXPECT_GT(at.y(), previous);
        EXPECT_GT(at.x(), window.text()->geometry().right());
        previous = at.y();
    }
    QTest::mouseClick(button("GuideText0"), Qt::LeftButton);
    EXPECT_EQ(window.windowTitle(), "User Guide: Installation");
    EXPECT_EQ(window.text()->toPlainText(), "Run it.\n");
    EXPECT_TRUE(button("NetParmsH")->isHidden());

    int opened = 0;
    model.openNetParms = [&] { ++opened; };
    model.HelpScreen("DNS");
    EXPECT_TRUE(button("GuideText0")->isHidden());
    QTest::mouseClick(button("NetParmsH"), Qt::LeftButton);
    EXPECT_EQ(opened, 1);
    // 1800 twips high; the text box keeps its 7500 twips and shows a few readable lines.
    EXPECT_EQ(window.height(), twipsToPixels(1800, &window));
    EXPECT_GE(window.text()->width(), twipsToPixels(7500, &window) - 2);
    EXPECT_GE(window.text()->height(), 3 * window.text()->fontMetrics().lineSpacing());

    window.setWindowState(Qt::WindowMinimized);
    EXPECT_EQ(model.window.state(), ui::WindowState::Minimised);
    window.close();
    EXPECT_FALSE(model.window.visible());
    model.HelpScreen("Printer");
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.windowState() & Qt::WindowMinimized);
    EXPECT_EQ(window.text()->toPlainText(), "Unable to find help on Printer");
}

}  // namespace
}  // namespace zelto::widgets
