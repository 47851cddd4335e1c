#include "widgets/QtTrayHost.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QImage>
#include <QMenu>
#include <QProcess>
#include <QSystemTrayIcon>

#include <functional>
#include <mutex>
#include <vector>

namespace zelto::widgets {
namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "QtTrayHost_test";
    static char* argv[] = {name, nullptr};
    // The expectations are those of a display without X11's own tray, whatever runs the test.
    static const bool offscreen = qputenv("QT_QPA_PLATFORM", "offscreen");
    (void)offscreen;
    static QApplication instance(argc, argv);
    return instance;
}

// Serves events until `done` holds or `ms` pass; true when it held.
bool serveUntil(const std::function<bool()>& done, int ms = 5000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        app().processEvents(QEventLoop::AllEvents, 20);
    return done();
}

struct MenuModels {
    MenuModels() { stop.setChecked(true); }
    ui::MenuItem start{"&Start"}, stop{"&Stop"}, show{"&Show"}, exit{"&Exit"};
};

shell::TrayIconData iconRecord(int iconId, const std::string& tip) {
    shell::TrayIconData r;
    r.flags = shell::kIconFlags;
    r.iconId = iconId;
    r.tip = tip;
    return r;
}

shell::TrayIconData balloonRecord(const std::string& info) {
    return {shell::kBalloonFlags, 101, "", info, 1, "Network problem", shell::kBalloonError};
}

// Gives bus messages already sent time to arrive, where the test expects that nothing happens.
void settle() {
    serveUntil([] { return false; }, 300);
}

/// A D-Bus daemon of the test's own, so nothing reaches the desktop's session bus.
class PrivateBus {
  public:
    PrivateBus() {
        daemon_.setProgram(QStringLiteral("dbus-daemon"));
        daemon_.setArguments({QStringLiteral("--session"), QStringLiteral("--nofork"),
                              QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
        daemon_.setProcessChannelMode(QProcess::SeparateChannels);
        daemon_.start();
        if (!daemon_.waitForStarted(5000))
            return;
        while (!daemon_.canReadLine() && daemon_.waitForReadyRead(5000)) {
        }
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    ~PrivateBus() {
        for (const QString& n : names_)
            QDBusConnection::disconnectFromBus(n);
        daemon_.terminate();
        daemon_.waitForFinished(5000);
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool up() const { return !address_.isEmpty(); }
    QDBusConnection connect(const QString& name) {
        names_.push_back(name);
        return QDBusConnection::connectToBus(address_, name);
    }

  private:
    QProcess daemon_;
    QString address_;
    std::vector<QString> names_;
};

/// Answers Notify like a desktop's notification server and keeps each call's arguments.
class FakeNotifications : public QDBusVirtualObject {
  public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& m, const QDBusConnection& c) override {
        if (m.member() != QLatin1String("Notify"))
            return false;
        {
            std::lock_guard lock(mutex_);
            calls_.push_back(m.arguments());
        }
        c.send(m.createReply(QVariant::fromValue(42U)));
        return true;
    }
    std::vector<QList<QVariant>> calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<QList<QVariant>> calls_;
};

/// A StatusNotifierWatcher that says whether a host (a panel) is registered.
class FakeWatcher : public QDBusVirtualObject {
  public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& m, const QDBusConnection& c) override {
        if (m.member() != QLatin1String("Get"))
            return false;
        c.send(m.createReply(QVariant::fromValue(QDBusVariant(hostRegistered.load()))));
        return true;
    }
    std::atomic<bool> hostRegistered{false};
};

class QtTrayHostTest : public ::testing::Test {
  protected:
    QtTrayHostTest() { app(); }
    void TearDown() override {
        if (!tray)
            return;
        tray->menu()->hide();
        tray.reset();
    }
    void make(QDBusConnection bus) {
        tray = std::make_unique<QtTrayHost>(
            models.start, models.stop, models.show, models.exit,
            [this](shell::Activation a) { activations.push_back(a); }, bus);
    }

    MenuModels models;
    std::vector<shell::Activation> activations;
    std::unique_ptr<QtTrayHost> tray;
};

TEST_F(QtTrayHostTest, WithoutABusOrATrayEveryOperationIsHarmless) {
    make(QDBusConnection(QStringLiteral("zelto-no-bus")));
    EXPECT_FALSE(tray->available());
    tray->add(iconRecord(101, "Zelto Stopped"));
    tray->modify(iconRecord(103, "Stopped-Last pass OK at 10:15:03"));
    tray->modify(balloonRecord("Running-2) Gateway-failed  at 10:15:03"));
    tray->showMenu();
    tray->remove();
    tray->remove();
    EXPECT_EQ(tray->trayIcon(), nullptr);  // made only once a notification area is known
    EXPECT_TRUE(activations.empty());
}

TEST_F(QtTrayHostTest, MenuShowsTheFourItemsAndFollowsTheirModels) {
    make(QDBusConnection(QStringLiteral("zelto-no-bus")));
    QMenu* menu = tray->menu();
    EXPECT_EQ(menu->title(), "Popup");
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 4);
    QStringList texts;
    for (QAction* a : actions) {
        texts << a->text();
        EXPECT_TRUE(a->isCheckable());
    }
    EXPECT_EQ(texts, (QStringList{"&Start", "&Stop", "&Show", "&Exit"}));
    EXPECT_FALSE(actions[0]->isChecked());
    EXPECT_TRUE(actions[1]->isChecked());

    // The run engine moves the marks through the models.
    models.start.setChecked(true);
    models.stop.setChecked(false);
    EXPECT_TRUE(actions[0]->isChecked());
    EXPECT_FALSE(actions[1]->isChecked());
    models.exit.setEnabled(false);
    EXPECT_FALSE(actions[3]->isEnabled());
    models.exit.setEnabled(true);

    // A click runs the model's handler; the mark keeps showing the model, not the click.
    int shows = 0;
    models.show.onClick = [&] { ++shows; };
    actions[2]->trigger();
    EXPECT_EQ(shows, 1);
    EXPECT_FALSE(actions[2]->isChecked());
    models.stop.onClick = [&] { models.stop.setChecked(true); };
    actions[1]->trigger();
    EXPECT_TRUE(actions[1]->isChecked());
    actions[0]->trigger();  // a handler that leaves the model as it was
    EXPECT_TRUE(actions[0]->isChecked());

    // The models outlive the host: later changes must not reach the deleted menu.
    tray.reset();
    models.start.setChecked(false);
    models.exit.setCaption("&Quit");
}

TEST_F(QtTrayHostTest, TrafficLightsAreDistinctAndSharpFromSixteenToSixtyFourPixels) {
    std::vector<QImage> small;
    for (int id : {101, 102, 103, 0}) {
        QIcon icon = trafficLightIcon(id);
        ASSERT_FALSE(icon.isNull()) << id;
        for (int size : {16, 22, 24, 32, 48, 64}) {
            QImage image = icon.pixmap(size, size).toImage();
            ASSERT_EQ(image.size(), QSize(size, size)) << id << " at " << size;
        }
        small.push_back(icon.pixmap(16, 16).toImage());
    }
    EXPECT_NE(small[0], small[1]);
    EXPECT_NE(small[1], small[2]);
    EXPECT_NE(small[0], small[2]);
    EXPECT_NE(small[0], small[3]);

    // The lit lamp: red at the top, amber in the middle, green at the bottom (sampled below
    // the highlight).
    auto lamp = [](int id, int y) {
        return trafficLightIcon(id).pixmap(64, 64).toImage().pixelColor(34, y + 3);
    };
    QColor red = lamp(101, 12), amber = lamp(102, 32), green = lamp(103, 52);
    EXPECT_GT(red.red(), 180);
    EXPECT_LT(red.green(), 110);
    EXPECT_GT(amber.red(), 180);
    EXPECT_GT(amber.green(), 120);
    EXPECT_LT(amber.blue(), 90);
    EXPECT_GT(green.green(), 150);
    EXPECT_LT(green.red(), 120);
    // An unlit lamp stays dark.
    EXPECT_LT(lamp(103, 12).lightness(), 100);
}

TEST_F(QtTrayHostTest, BalloonWithNoTrayBecomesADesktopNotification) {
    PrivateBus bus;
    if (!bus.up())
        GTEST_SKIP() << "dbus-daemon could not be started; the notification fallback is untested";
    QDBusConnection server = bus.connect(QStringLiteral("zelto-notify-server"));
    FakeNotifications notifications;
    ASSERT_TRUE(server.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"),
                                             &notifications));
    ASSERT_TRUE(server.registerService(QStringLiteral("org.freedesktop.Notifications")));

    make(bus.connect(QStringLiteral("zelto-notify-client")));
    EXPECT_FALSE(tray->available());
    tray->modify(balloonRecord("not in the tray"));  // window shown: nothing to raise
    tray->add(iconRecord(101, "Zelto Stopped"));
    tray->modify(iconRecord(101, "Running-9) learn&save-failed  at 10:15:03"));  // no balloon
    tray->modify(balloonRecord("Running-9) learn&save-failed <b> at 10:15:03"));
    ASSERT_TRUE(serveUntil([&] { return notifications.calls().size() == 1; }));
    const QList<QVariant> args = notifications.calls()[0];
    ASSERT_EQ(args.size(), 8);
    EXPECT_EQ(args[0].toString(), "Zelto");
    EXPECT_EQ(args[1].toUInt(), 0u);
    EXPECT_EQ(args[2].toString(), "dialog-error");
    EXPECT_EQ(args[3].toString(), "Network problem");
    EXPECT_EQ(args[4].toString(), "Running-9) learn&amp;save-failed &lt;b&gt; at 10:15:03");
    EXPECT_EQ(args[7].toInt(), 10000);

    // The next balloon, once the first one's id is back, replaces it rather than stack up.
    ASSERT_TRUE(
        serveUntil([&] { return tray->findChildren<QDBusPendingCallWatcher*>().isEmpty(); }));
    tray->modify(balloonRecord("second"));
    ASSERT_TRUE(serveUntil([&] { return notifications.calls().size() == 2; }));
    EXPECT_EQ(notifications.calls()[1][1].toUInt(), 42u);

    tray->remove();
    tray->modify(balloonRecord("after the window came back"));
    settle();
    EXPECT_EQ(notifications.calls().size(), 2u);
}

TEST_F(QtTrayHostTest, IconAppearsWhenAPanelComesUpAfterTheProgram) {
    PrivateBus bus;
    if (!bus.up())
        GTEST_SKIP() << "dbus-daemon could not be started; the late tray is untested";
    QDBusConnection panel = bus.connect(QStringLiteral("zelto-panel"));
    make(bus.connect(QStringLiteral("zelto-tray-client")));
    tray->add(iconRecord(102, "Stopped-2) Gateway-problem  at 10:15:03"));
    EXPECT_FALSE(tray->available());
    EXPECT_EQ(tray->trayIcon(), nullptr);

    // The watcher comes first, its host (the panel itself) a moment later.
    FakeWatcher watcher;
    ASSERT_TRUE(panel.registerVirtualObject(QStringLiteral("/StatusNotifierWatcher"), &watcher));
    ASSERT_TRUE(panel.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));
    settle();
    EXPECT_FALSE(tray->available());
    EXPECT_EQ(tray->trayIcon(), nullptr);

    watcher.hostRegistered = true;
    panel.send(QDBusMessage::createSignal(QStringLiteral("/StatusNotifierWatcher"),
                                          QStringLiteral("org.kde.StatusNotifierWatcher"),
                                          QStringLiteral("StatusNotifierHostRegistered")));
    ASSERT_TRUE(serveUntil([&] { return tray->trayIcon() != nullptr; }));
    EXPECT_TRUE(tray->available());
    QSystemTrayIcon* icon = tray->trayIcon();
    EXPECT_TRUE(icon->isVisible());
    EXPECT_EQ(icon->toolTip(), "Stopped-2) Gateway-problem  at 10:15:03");
    EXPECT_EQ(icon->icon().pixmap(16, 16).toImage(),
              trafficLightIcon(102).pixmap(16, 16).toImage());
    EXPECT_EQ(icon->contextMenu(), tray->menu());

    // Such a host reports clicks, never double clicks: a click brings the window back.
    Q_EMIT icon->activated(QSystemTrayIcon::Trigger);
    Q_EMIT icon->activated(QSystemTrayIcon::Context);
    Q_EMIT icon->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(activations, (std::vector<shell::Activation>{shell::Activation::DoubleClick,
                                                           shell::Activation::DoubleClick}));

    tray->remove();
    EXPECT_FALSE(icon->isVisible());

    // The panel goes away: no notification area any more.
    ASSERT_TRUE(panel.unregisterService(QStringLiteral("org.kde.StatusNotifierWatcher")));
    EXPECT_TRUE(serveUntil([&] { return !tray->available(); }));
}

}  // namespace
}  // namespace zelto::widgets
