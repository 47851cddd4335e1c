#include "widgets/UserGuideWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <string>
#include <vector>

#include "support/TempDir.h"

namespace zelto::widgets {
namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "UserGuideWindow_test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down after main() returns crashes in its device registry.
    static auto* a = new QApplication(argc, argv);
    return *a;
}

class GuideWindow : public ::testing::Test {
  protected:
    GuideWindow() {
        session.InstallDir = dir.path();
        dir.write("UserGuide.txt",
                  "[Purpose]\r\nZelto checks your network.\r\n[Using Zelto]\r\nPress Run Tests."
                  "\r\n[Installation]\r\nRun Setup.run.\r\n");
        dir.write("Help.txt", "[DNS]\r\nLook up names.\r\n");
    }
    QPushButton* button(const char* name) { return window.findChild<QPushButton*>(name); }
    std::string shownText() { return window.text()->toPlainText().toStdString(); }

    QApplication& qt = app();  // before any widget member
    test::TempDir dir;
    profiles::Session session;
    ui::ScriptedPrompter prompt;
    help::User_Guide model{session, prompt};
    UserGuideWindow window{model};
};

TEST_F(GuideWindow, ChapterButtonsStandInTheGuidesOrderAndAClickShowsTheChapter) {
    model.Open_UserGuide_Click();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), "User Guide: Using Zelto");
    EXPECT_EQ(shownText(), "Press Run Tests.\n");

    std::vector<int> tops;
    std::vector<QString> captions;
    for (int index : help::User_Guide::kChapterOrder) {
        QPushButton* b = button(QString("GuideText%1").arg(index).toLatin1());
        ASSERT_NE(b, nullptr);
        EXPECT_TRUE(b->isVisible());
        tops.push_back(b->mapTo(&window, QPoint(0, 0)).y());
        captions.push_back(b->text());
    }
    EXPECT_TRUE(std::is_sorted(tops.begin(), tops.end()));
    EXPECT_EQ(captions.front(), "Purpose");
    EXPECT_EQ(captions.back(), "License warranty");
    // The chapter text sits left of the buttons.
    EXPECT_LT(window.text()->geometry().right(),
              button("GuideText1")->mapTo(&window, QPoint(0, 0)).x());

    QTest::mouseClick(button("GuideText0"), Qt::LeftButton);
    EXPECT_EQ(model.window.caption(), "User Guide: Installation");
    EXPECT_EQ(window.windowTitle(), "User Guide: Installation");
    EXPECT_EQ(shownText(), "Run Setup.run.\n");
    EXPECT_TRUE(button("NetParmsH")->isHidden());
}

TEST_F(GuideWindow, HelpModeShowsOnlyTheNetworkButtonSizesTheWindowAndForwardsItsClick) {
    int opened = 0;
    model.openNetParms = [&] { ++opened; };
    model.HelpScreen("DNS");
    EXPECT_EQ(window.windowTitle(), "Help on DNS");
    EXPECT_EQ(shownText(), "Look up names.\n");
    EXPECT_TRUE(button("GuideText1")->isHidden());
    ASSERT_TRUE(button("NetParmsH")->isVisible());
    EXPECT_EQ(button("NetParmsH")->text(), "Network Parameters/ Help");

    // 9255 x 1800 twips; the text box keeps its 7500 twips beside the button.
    EXPECT_GE(window.width(), twipsToPixels(7500, &window));
    EXPECT_EQ(window.height(), twipsToPixels(1800, &window));
    EXPECT_GE(window.text()->width(), twipsToPixels(7500, &window) - 2);
    // The readable minimum: a few lines of the text's own font.
    EXPECT_GE(window.text()->height(), 3 * window.text()->fontMetrics().lineSpacing());

    QTest::mouseClick(button("NetParmsH"), Qt::LeftButton);
    EXPECT_EQ(opened, 1);
}

TEST_F(GuideWindow, TheUsersCloseAndMinimiseReachTheModel) {
    model.HelpScreen("DNS");
    window.setWindowState(Qt::WindowMinimized);
    EXPECT_EQ(model.window.state(), ui::WindowState::Minimised);
    model.HelpScreen("DNS");
    EXPECT_FALSE(window.windowState() & Qt::WindowMinimized);

    window.close();
    EXPECT_FALSE(model.window.visible());
    EXPECT_FALSE(window.isVisible());
    model.HelpScreen("Printer");
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(shownText(), "Unable to find help on Printer");
}

}  // namespace
}  // namespace zelto::widgets
