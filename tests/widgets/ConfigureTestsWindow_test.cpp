#include "widgets/ConfigureTestsWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "support/MainFixture.h"
#include "support/WidgetApp.h"

namespace zelto::widgets {
namespace {

using test::app;

struct ConfigureWindow : test::MainFixture {
    ConfigureWindow() {
        app();
        writeProfile("OutofOffice.ini", {"[Configured By]", "Desk", "[Gateway]", "gw", "192.0.2.1",
                                         "[Mail]", "read mail", "192.0.2.25:25"});
        screen.window.onLoad = [this] { widget = std::make_unique<ConfigureTestsWindow>(screen); };
    }
    template <class W>
    W* child(const char* name) {
        auto* w = widget->findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    profiles::ConfigureTests& screen = main.configureTests();
    std::unique_ptr<ConfigureTestsWindow> widget;
};

TEST_F(ConfigureWindow, OpensFromTheMainWindowAndBindsBothWays) {
    ASSERT_FALSE(startEnds());
    c.DisplayTestSetup.click();
    ASSERT_NE(widget, nullptr);
    EXPECT_TRUE(widget->isVisible());
    EXPECT_EQ(widget->windowTitle(), "Setup tests for Out of the Office");
    EXPECT_EQ(child<QLineEdit>("ConfiguredBy")->text(), "Desk");
    EXPECT_EQ(child<QLineEdit>("Test2")->text(), "Mail");
    EXPECT_EQ(child<QLineEdit>("TestValue4")->text(), "192.0.2.25:25");
    EXPECT_EQ(child<QPushButton>("Autoconfig1")->toolTip(),
              "Places \"Learn&Save\" in the test value");

    // Typing reaches the model; a model change reaches the widget.
    QTest::keyClicks(child<QLineEdit>("Test3"), "Web");
    QTest::keyClicks(child<QLineEdit>("TestValue7"), "192.0.2.80:80");
    EXPECT_EQ(screen.Test[3].text(), "Web");
    EXPECT_EQ(screen.TestValue[7].text(), "192.0.2.80:80");
    screen.TestMessage[3].setText("browse");
    EXPECT_EQ(child<QLineEdit>("TestMessage3")->text(), "browse");

    // The option buttons show one selection or none; a second click keeps the line selected.
    auto* option3 = child<QRadioButton>("Option1_3");
    QTest::mouseClick(option3, Qt::LeftButton);
    QTest::mouseClick(option3, Qt::LeftButton);
    EXPECT_EQ(screen.Option1.selected(), 3);
    EXPECT_TRUE(option3->isChecked());
    QTest::mouseClick(child<QPushButton>("MoveUp"), Qt::LeftButton);
    EXPECT_EQ(child<QLineEdit>("Test2")->text(), "Web");
    EXPECT_TRUE(child<QRadioButton>("Option1_2")->isChecked());
    EXPECT_FALSE(option3->isChecked());

    QTest::mouseClick(child<QPushButton>("TempStore"), Qt::LeftButton);
    EXPECT_FALSE(widget->isVisible());
    EXPECT_EQ(c.Test[2].caption(), "3) Web");
    EXPECT_EQ(c.Test[3].caption(), "4) Mail");

    // Reopening reloads from the table with no line selected; closing discards the edits.
    c.DisplayTestSetup.click();
    EXPECT_TRUE(widget->isVisible());
    EXPECT_FALSE(child<QRadioButton>("Option1_2")->isChecked());
    QTest::keyClicks(child<QLineEdit>("Test1"), "X");
    widget->close();
    EXPECT_FALSE(screen.window.visible());
    c.DisplayTestSetup.click();
    EXPECT_EQ(child<QLineEdit>("Test1")->text(), "Gateway");
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
        storeClosedDuringRun = !screen.TempStore.enabled() && !screen.PermStore.enabled();
        screen.Test[1].setText("Changed");
        screen.TempStore.click();  // refused: the run still walks the rows
    });
    c.RunTests.click();
    ASSERT_TRUE(opened);
    EXPECT_TRUE(storeClosedDuringRun);
    EXPECT_EQ(c.TestStatus.text(), "STOPPED");
    EXPECT_TRUE(screen.window.visible());
    EXPECT_EQ(session.Table.at(0, 1, 0), "2) Gateway");
    EXPECT_TRUE(screen.TempStore.enabled());
    EXPECT_TRUE(screen.PermStore.enabled());
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
    auto* message = child<QLineEdit>("TestMessage1");
    EXPECT_EQ(message->text(), QString::fromUtf8("r\xc3\xa9seau \xe2\x82\xac"));
    EXPECT_EQ(child<QLineEdit>("Test1")->text(), QString::fromUtf8("Caf\xc3\xa9"));

    auto type = [message](const char* utf8) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8(utf8));
        QApplication::sendEvent(message, &key);
    };
    message->setCursorPosition(0);
    type("\xc3\x9c");  // U with diaeresis: 0xDC
    EXPECT_EQ(screen.TestMessage[1].text(), "\xdcr\xe9seau \x80");
    type("\xe4\xb8\xad");  // no such character
    EXPECT_EQ(screen.TestMessage[1].text(), "\xdcr\xe9seau \x80");
    EXPECT_EQ(message->text(), QString::fromUtf8("\xc3\x9cr\xc3\xa9seau \xe2\x82\xac"));
    EXPECT_EQ(message->cursorPosition(), 1);

    prompt.answers = {ui::Answer::Yes};
    screen.PermStore.click();
    EXPECT_EQ(dir.read("OutofOffice.ini"),
              "[Configured By]\r\nD\xe9sk\r\n[Caf\xe9]\r\n\xdcr\xe9seau \x80\r\n192.0.2.1\r\n");
}

}  // namespace
}  // namespace zelto::widgets
