#include <QApplication>
#include <QCheckBox>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "support/MainFixture.h"
#include "support/WidgetApp.h"
#include "widgets/Binding.h"
#include "widgets/ConfigureTestsWindow.h"
#include "widgets/MainWindow.h"
#include "widgets/QtTrayHost.h"
#include "widgets/Resources.h"
#include "widgets/UserGuideWindow.h"

namespace zelto::widgets {
namespace {

template <class W = QWidget>
W* child(const QWidget* top, const char* name) {
    auto* w = top->findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
}

void click(QWidget* w) {
    QTest::mouseClick(w, Qt::LeftButton);
}

TEST(Binding, WidgetsShowWhatTheModelHoldsAfterItsHandlersRan) {
    test::app();
    ui::CheckBox model;
    model.onClick = [&] { model.setValue(false); };  // a handler refusing the click
    QCheckBox box;
    bind(&box, model);
    box.show();
    click(&box);
    EXPECT_FALSE(box.isChecked());

    // The results box: appends keep the text, a CR LF split over two appends is one break.
    ui::TextBox results("\r\n");
    QPlainTextEdit lines;
    bind(&lines, results);
    results.append("Test 1) Loop Back\r\n");
    results.append("    Successfully pinged 127.0.0.1 in 0 ms\r");
    results.append("\n");
    EXPECT_EQ(lines.toPlainText(),
              "\nTest 1) Loop Back\n    Successfully pinged 127.0.0.1 in 0 ms\n");
    results.setText("");
    EXPECT_EQ(lines.toPlainText(), "");
}

// Continuous runs repeat only through this binding; the logic tests tick the model themselves.
TEST(Binding, AModelTimerTicksWhileEnabledAndStopsWhenDisabled) {
    test::app();
    ui::Timer model;
    int ticks = 0;
    model.onTick = [&] { ++ticks; };
    model.setInterval(10);
    QObject owner;
    bind(&owner, model);
    QTest::qWait(50);
    EXPECT_EQ(ticks, 0) << "a disabled timer ticked";
    model.setEnabled(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 2000));
    model.setEnabled(false);
    const int stopped = ticks;
    QTest::qWait(50);
    EXPECT_EQ(ticks, stopped);
}

TEST(Binding, AWidgetDestroyedBeforeItsModelIsLeftAlone) {
    test::app();
    ui::CheckBox model;
    bind(std::make_unique<QCheckBox>().get(), model);
    model.setValue(true);
    EXPECT_TRUE(model.value());
}

// The main window's screens as the desktop opens them: each window made on its model's first
// load, driven through its widgets.
struct Screens : test::MainFixture {
    Screens() {
        test::app();
        writeProfile("OutofOffice.ini", {"[Configured By]", "Desk", "[Gateway]", "gw", "192.0.2.1",
                                         "[Mail]", "read mail", "192.0.2.25:25"});
        configure.window.onLoad = [this] {
            configureWindow = std::make_unique<ConfigureTestsWindow>(configure);
        };
        guide.window.onLoad = [this] { guideWindow = std::make_unique<UserGuideWindow>(guide); };
    }

    profiles::ConfigureTests& configure = main.configureTests();
    help::User_Guide& guide = main.userGuide();
    std::unique_ptr<ConfigureTestsWindow> configureWindow;
    std::unique_ptr<UserGuideWindow> guideWindow;
};

// While the PC has no address "Blank!" blinks; the cross beside it stays where it is.
TEST_F(Screens, TheBlinkingAddressKeepsItsPlace) {
    zeltoInitResources();
    MainWindow window(main);
    c.current_ip.setText("Blank! Press cross for help");
    c.Help1[8].setVisible(true);
    window.show();
    QApplication::processEvents();
    QWidget* cross = child(&window, "Help1_8");
    const int x = cross->mapTo(&window, QPoint()).x();
    for (bool shown : {false, true, false}) {
        c.current_ip.setVisible(shown);
        QApplication::processEvents();
        EXPECT_EQ(child(&window, "current_ip")->isVisible(), shown);
        EXPECT_EQ(cross->mapTo(&window, QPoint()).x(), x);
    }
}

TEST_F(Screens, CrossesChooseTheirTopicAndTheHelpWindowFollowsItsModel) {
    dir.write("Help.txt", "[gateway]\r\nCheck the router.\r\n");
    dir.write("UserGuide.txt", "[Using Zelto]\r\nPress Run Tests.\r\n");
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
    EXPECT_EQ(guideWindow->text()->toPlainText(), "Press Run Tests.\n");
}

// Opening the screen stops a running test, and its stores wait for the run to end. The help
// desk's profiles are Windows-1252: an edit keeps that encoding and the bytes of every
// character the user did not touch, and refuses a character it cannot hold.
TEST_F(Screens, ConfigureWindowWaitsForTheRunAndEditsAWindows1252ProfileInItsOwnBytes) {
    writeProfile("OutofOffice.ini",
                 {"[Configured By]", "D\xe9sk", "[Caf\xe9]", "r\xe9seau \x80", "192.0.2.1"});
    ASSERT_FALSE(startEnds());
    probes.answers("127.0.0.1");
    bool storeClosedDuringRun = false;
    c.Status[1].changed.connect([&] {
        if (configure.window.loaded() || !main.engine().running())
            return;
        c.DisplayTestSetup.click();
        storeClosedDuringRun = !configure.TempStore.enabled() && !configure.PermStore.enabled();
        configure.TempStore.click();  // refused: the run still walks the rows
    });
    c.RunTests.click();
    EXPECT_TRUE(storeClosedDuringRun);
    EXPECT_EQ(c.TestStatus.text(), "STOPPED");
    ASSERT_TRUE(configureWindow && configureWindow->isVisible());
    auto* message = child<QLineEdit>(configureWindow.get(), "TestMessage1");
    EXPECT_EQ(message->text(), QString::fromUtf8("r\xc3\xa9seau \xe2\x82\xac"));
    auto type = [message](const char* utf8) {
        QTest::sendKeyEvent(QTest::Click, message, Qt::Key_unknown, QString::fromUtf8(utf8),
                            Qt::NoModifier);
    };
    message->setCursorPosition(0);
    type("\xc3\x9c");      // U with diaeresis: 0xDC
    type("\xe4\xb8\xad");  // no such character
    EXPECT_EQ(configure.TestMessage[1].text(), "\xdcr\xe9seau \x80");
    // A new line typed below, moved up with its radio button.
    QTest::keyClicks(child(configureWindow.get(), "Test2"), "Web");
    QTest::keyClicks(child(configureWindow.get(), "TestValue4"), "192.0.2.80:80");
    click(child(configureWindow.get(), "Option1_2"));
    click(child(configureWindow.get(), "MoveUp"));
    prompt.answers = {ui::Answer::Yes};
    click(child(configureWindow.get(), "PermStore"));
    EXPECT_FALSE(configureWindow->isVisible());
    EXPECT_EQ(
        dir.read("OutofOffice.ini"),
        "[Configured By]\r\nD\xe9sk\r\n[Web]\r\n\r\n192.0.2.80:80\r\n[Caf\xe9]\r\n\xdcr\xe9seau "
        "\x80\r\n192.0.2.1\r\n");
}

/// A D-Bus daemon of the test's own, so nothing reaches the desktop's session bus.
struct PrivateBus {
    PrivateBus() {
        daemon.start(QStringLiteral("dbus-daemon"),
                     {"--session", "--nofork", "--nopidfile", "--print-address=1"});
        while (!daemon.canReadLine() && daemon.waitForReadyRead(5000)) {
        }
        address = QString::fromUtf8(daemon.readLine()).trimmed();
    }
    ~PrivateBus() {
        QDBusConnection::disconnectFromBus(QStringLiteral("zelto-desktop"));
        QDBusConnection::disconnectFromBus(QStringLiteral("zelto-client"));
        daemon.terminate();
        daemon.waitForFinished(5000);
    }
    QProcess daemon;
    QString address;
};

/// The desktop's side: a notification server keeping each Notify call, and a
/// StatusNotifierWatcher telling whether a panel has registered as its host.
class FakeDesktop : public QDBusVirtualObject {
  public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& m, const QDBusConnection& c) override {
        if (m.member() == QLatin1String("Get")) {
            c.send(m.createReply(QVariant::fromValue(QDBusVariant(hostRegistered.load()))));
            return true;
        }
        std::lock_guard lock(mutex_);
        notifications_.push_back(m.arguments());
        c.send(m.createReply(QVariant::fromValue(42U)));
        return true;
    }
    std::vector<QList<QVariant>> notifications() const {
        std::lock_guard lock(mutex_);
        return notifications_;
    }
    std::atomic<bool> hostRegistered{false};

  private:
    mutable std::mutex mutex_;
    std::vector<QList<QVariant>> notifications_;
};

// Without a panel a balloon goes out as a desktop notification; a panel that comes up later
// gets the icon, and its single clicks bring the window back.
TEST(QtTrayHost, BalloonsBecomeNotificationsUntilAPanelComesUpAndTheIconAppears) {
    test::app();
    PrivateBus bus;
    if (bus.address.isEmpty())
        GTEST_SKIP() << "dbus-daemon could not be started; the desktop's side is untested";
    QDBusConnection server =
        QDBusConnection::connectToBus(bus.address, QStringLiteral("zelto-desktop"));
    FakeDesktop desktop;
    ASSERT_TRUE(server.registerVirtualObject("/org/freedesktop/Notifications", &desktop));
    ASSERT_TRUE(server.registerService("org.freedesktop.Notifications"));
    ui::MenuItem start, stop, show, exit;
    std::vector<shell::Activation> activations;
    auto tray = std::make_unique<QtTrayHost>(
        start, stop, show, exit, [&](shell::Activation a) { activations.push_back(a); },
        QDBusConnection::connectToBus(bus.address, QStringLiteral("zelto-client")));
    auto record = [](int flags, int iconId, const std::string& tip, const std::string& info) {
        return shell::TrayIconData{
            flags, iconId, tip, info, 1, "Network problem", shell::kBalloonError};
    };

    const std::string text = "Running-9) learn&save-failed <b> at 10:15:03";
    tray->modify(record(shell::kBalloonFlags, 101, "", text));  // window shown: nothing to raise
    const std::string tip = "Stopped-2) Gateway-problem  at 10:15:03";
    tray->add(record(shell::kIconFlags, 102, tip, ""));
    tray->modify(record(shell::kIconFlags, 102, tip, ""));  // no balloon in the record
    tray->modify(record(shell::kBalloonFlags, 102, tip, text));
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.notifications().size() == 1; }, 5000));
    const QList<QVariant> n = desktop.notifications()[0];
    EXPECT_EQ((QVariantList{n.value(0), n.value(3), n.value(4)}),
              (QVariantList{"Zelto", "Network problem",
                            "Running-9) learn&amp;save-failed &lt;b&gt; at 10:15:03"}));

    // The watcher comes first, its host (the panel itself) a moment later.
    ASSERT_TRUE(server.registerVirtualObject("/StatusNotifierWatcher", &desktop));
    ASSERT_TRUE(server.registerService("org.kde.StatusNotifierWatcher"));
    QTest::qWait(300);  // time for a wrong icon to show up
    EXPECT_EQ(tray->trayIcon(), nullptr);
    desktop.hostRegistered = true;
    server.send(QDBusMessage::createSignal(
        "/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher", "StatusNotifierHostRegistered"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return tray->trayIcon() != nullptr; }, 5000));
    EXPECT_TRUE(tray->available());
    QSystemTrayIcon* icon = tray->trayIcon();
    EXPECT_TRUE(icon->isVisible());
    EXPECT_EQ(icon->toolTip().toStdString(), tip);
    EXPECT_EQ(icon->contextMenu(), tray->menu());

    // Such a host reports clicks, never double clicks: a click brings the window back.
    Q_EMIT icon->activated(QSystemTrayIcon::Trigger);
    Q_EMIT icon->activated(QSystemTrayIcon::Context);
    EXPECT_EQ(activations, std::vector<shell::Activation>{shell::Activation::DoubleClick});
    tray->remove();
    EXPECT_FALSE(icon->isVisible());

    ASSERT_TRUE(server.unregisterService("org.kde.StatusNotifierWatcher"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !tray->available(); }, 5000));
}

}  // namespace
}  // namespace zelto::widgets
