#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "support/MainFixture.h"
#include "support/WidgetApp.h"
#include "widgets/ConfigureTestsWindow.h"
#include "widgets/MainWindow.h"
#include "widgets/NetParmsWindow.h"
#include "widgets/Resources.h"
#include "widgets/UserGuideWindow.h"

// The main window's screens as the desktop opens them: each window made on its model's first
// load, driven through its widgets.
namespace zelto::widgets {
namespace {

template <class W>
W* child(const QWidget* top, const char* name) {
    auto* w = top->findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
}

void click(QWidget* w) {
    QTest::mouseClick(w, Qt::LeftButton);
}

struct Screens : test::MainFixture {
    Screens() {
        test::app();
        writeProfile("OutofOffice.ini", {"[Configured By]", "Desk", "[Gateway]", "gw", "192.0.2.1",
                                         "[Mail]", "read mail", "192.0.2.25:25"});
        configure.window.onLoad = [this] {
            configureWindow = std::make_unique<ConfigureTestsWindow>(configure);
        };
        guide.window.onLoad = [this] { guideWindow = std::make_unique<UserGuideWindow>(guide); };
        params.window.onLoad = [this] { paramsWindow = std::make_unique<NetParmsWindow>(params); };
    }
    template <class W>
    W* box(const char* name) {
        return child<W>(configureWindow.get(), name);
    }

    profiles::ConfigureTests& configure = main.configureTests();
    help::User_Guide& guide = main.userGuide();
    netparams::NetParmsText& params = main.netParmsText();
    std::unique_ptr<ConfigureTestsWindow> configureWindow;
    std::unique_ptr<UserGuideWindow> guideWindow;
    std::unique_ptr<NetParmsWindow> paramsWindow;
};
using ConfigureWindow = Screens;

// While the PC has no address "Blank!" blinks; the cross beside it stays where it is.
TEST_F(Screens, TheBlinkingAddressKeepsItsPlace) {
    zeltoInitResources();
    MainWindow window(main);
    c.current_ip.setText("Blank! Press cross for help");
    c.Help1[8].setVisible(true);
    window.show();
    QApplication::processEvents();
    auto* cross = child<QAbstractButton>(&window, "Help1_8");
    const int x = cross->mapTo(&window, QPoint()).x();
    for (bool shown : {false, true, false}) {
        c.current_ip.setVisible(shown);
        QApplication::processEvents();
        EXPECT_EQ(child<QLabel>(&window, "current_ip")->isVisible(), shown);
        EXPECT_EQ(cross->mapTo(&window, QPoint()).x(), x);
    }
}

TEST_F(Screens, CrossesChooseTheirTopicAndTheHelpAndParameterWindowsFollowTheirModels) {
    dir.write("Help.txt", "[gateway]\r\nCheck the router.\r\n");
    dir.write("UserGuide.txt",
              "[Using Zelto]\r\nPress Run Tests.\r\n[Installation]\r\nRun it.\r\n");
    ASSERT_FALSE(startEnds());
    c.Help1[1].setVisible(true);  // as a failed run leaves it
    c.Help1[1].click();
    ASSERT_TRUE(guideWindow && guideWindow->isVisible());
    EXPECT_EQ(guideWindow->windowTitle(), "Help on Gateway");
    EXPECT_EQ(guideWindow->text()->toPlainText(), "Check the router.\n");
    c.Help1[8].setVisible(true);  // the address went
    c.Help1[1].click();
    EXPECT_EQ(guide.window.caption(), "Help on IPAddress");
    c.Help1[0].setVisible(true);  // and Loop Back failed
    c.Help1[8].click();
    EXPECT_EQ(guide.window.caption(), "Help on Loop Back");
    guideWindow->setWindowState(Qt::WindowMinimized);
    c.Open_UserGuide.click();
    EXPECT_FALSE(guideWindow->windowState() & Qt::WindowMinimized);
    click(child<QPushButton>(guideWindow.get(), "GuideText0"));
    EXPECT_EQ(guideWindow->text()->toPlainText(), "Run it.\n");

    c.NetParms.click();
    ASSERT_TRUE(paramsWindow && paramsWindow->isVisible());
    paramsWindow->close();
    EXPECT_FALSE(params.window.visible());
}

TEST_F(ConfigureWindow, TypingAndTheLineButtonsReachTheModelAndAStoreTheMainWindow) {
    ASSERT_FALSE(startEnds());
    c.DisplayTestSetup.click();
    ASSERT_TRUE(configureWindow && configureWindow->isVisible());
    QTest::keyClicks(box<QLineEdit>("Test3"), "Web");
    QTest::keyClicks(box<QLineEdit>("TestValue7"), "192.0.2.80:80");
    // A line button moves the selected line.
    click(box<QRadioButton>("Option1_3"));
    click(box<QPushButton>("MoveUp"));
    click(box<QPushButton>("TempStore"));
    EXPECT_FALSE(configureWindow->isVisible());
    EXPECT_EQ(c.Test[2].caption(), "3) Web");
}

TEST_F(ConfigureWindow, OpeningStopsARunningTestAndStoresWaitForTheRunToEnd) {
    ASSERT_FALSE(startEnds());
    probes.answers("127.0.0.1");
    bool opened = false;
    bool storeClosedDuringRun = false;
    c.Status[1].changed.connect([&] {
        if (opened || !main.engine().running())
            return;
        opened = true;
        c.DisplayTestSetup.click();
        storeClosedDuringRun = !configure.TempStore.enabled() && !configure.PermStore.enabled();
        configure.Test[1].setText("Changed");
        configure.TempStore.click();  // refused: the run still walks the rows
    });
    c.RunTests.click();
    ASSERT_TRUE(opened);
    EXPECT_TRUE(storeClosedDuringRun);
    EXPECT_EQ(c.TestStatus.text(), "STOPPED");
    EXPECT_EQ(session.Table.at(0, 1, 0), "2) Gateway");
    EXPECT_TRUE(configure.TempStore.enabled());
    for (const std::string& call : probes.calls())
        EXPECT_EQ(call.find("192.0.2.1"), std::string::npos) << call;
}

// The help desk's profiles are Windows-1252: an edit keeps that encoding and the bytes of every
// character the user did not touch, and refuses a character it cannot hold.
TEST_F(ConfigureWindow, AWindows1252TextIsEditedAndStoredInItsOwnBytes) {
    writeProfile("OutofOffice.ini",
                 {"[Configured By]", "D\xe9sk", "[Caf\xe9]", "r\xe9seau \x80", "192.0.2.1"});
    ASSERT_FALSE(startEnds());
    c.DisplayTestSetup.click();
    auto* message = box<QLineEdit>("TestMessage1");
    EXPECT_EQ(message->text(), QString::fromUtf8("r\xc3\xa9seau \xe2\x82\xac"));
    auto type = [message](const char* utf8) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8(utf8));
        QApplication::sendEvent(message, &key);
    };
    message->setCursorPosition(0);
    type("\xc3\x9c");  // U with diaeresis: 0xDC
    EXPECT_EQ(configure.TestMessage[1].text(), "\xdcr\xe9seau \x80");
    type("\xe4\xb8\xad");  // no such character
    EXPECT_EQ(configure.TestMessage[1].text(), "\xdcr\xe9seau \x80");
    EXPECT_EQ(message->cursorPosition(), 1);

    prompt.answers = {ui::Answer::Yes};
    configure.PermStore.click();
    EXPECT_EQ(dir.read("OutofOffice.ini"),
              "[Configured By]\r\nD\xe9sk\r\n[Caf\xe9]\r\n\xdcr\xe9seau \x80\r\n192.0.2.1\r\n");
}

}  // namespace
}  // namespace zelto::widgets
