#include "widgets/QtTrayHost.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QMenu>
#include <QProcess>
#include <QSystemTrayIcon>

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

#include "support/WidgetApp.h"

namespace zelto::widgets {
namespace {

using shell::Activation;

// Serves events until `done` holds or `ms` pass; true when it held.
bool serveUntil(const std::function<bool()>& done, int ms = 5000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// Gives messages already sent time to arrive, where nothing is expected to happen.
void settle() {
    serveUntil([] { return false; }, 300);
}

shell::TrayIconData record(int flags, int iconId, const std::string& tip, const std::string& info) {
    return {flags, iconId, tip, info, 1, "Network problem", shell::kBalloonError};
}

/// A D-Bus daemon of the test's own, so nothing reaches the desktop's session bus.
class PrivateBus {
  public:
    PrivateBus() {
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {"--session", "--nofork", "--nopidfile", "--print-address=1"});
        while (daemon_.waitForStarted(5000) && !daemon_.canReadLine() &&
               daemon_.waitForReadyRead(5000)) {
        }
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    ~PrivateBus() {
        for (const QString& n : names_)
            QDBusConnection::disconnectFromBus(n);
        daemon_.terminate();
        daemon_.waitForFinished(5000);
    }
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

class QtTrayHostTest : public ::testing::Test {
  protected:
    QtTrayHostTest() {
        test::app();
        stop.setChecked(true);
    }
    void make(QDBusConnection bus) {
        tray = std::make_unique<QtTrayHost>(
            start, stop, show, exit, [this](Activation a) { activations.push_back(a); }, bus);
    }
    void makeWithoutBus() { make(QDBusConnection(QStringLiteral("zelto-no-bus"))); }

    ui::MenuItem start{"&Start"}, stop{"&Stop"}, show{"&Show"}, exit{"&Exit"};
    std::vector<Activation> activations;
    std::unique_ptr<QtTrayHost> tray;
};

TEST_F(QtTrayHostTest, WithoutABusNothingFailsAndTheMenuFollowsItsModels) {
    makeWithoutBus();
    tray->add(record(shell::kIconFlags, 101, "Zelto Stopped", ""));
    tray->modify(record(shell::kBalloonFlags, 101, "", "Running-2) Gateway-failed"));
    tray->remove();
    EXPECT_EQ(tray->trayIcon(), nullptr);  // made only once a notification area is known
    const QList<QAction*> a = tray->menu()->actions();
    ASSERT_EQ(a.size(), 4);
    EXPECT_TRUE(!a[0]->isChecked() && a[1]->isChecked());

    start.setChecked(true);  // the run engine moves the marks through the models
    stop.setChecked(false);
    EXPECT_TRUE(a[0]->isChecked() && !a[1]->isChecked());

    // A click runs the handler; the mark keeps showing the model, not the click.
    int shows = 0;
    show.onClick = [&] { ++shows; };
    a[2]->trigger();
    a[0]->trigger();
    EXPECT_EQ(shows, 1);
    EXPECT_FALSE(a[2]->isChecked());
    EXPECT_TRUE(a[0]->isChecked());

    // The models outlive the host: later changes must not reach the deleted menu.
    tray.reset();
    start.setChecked(false);
}

TEST_F(QtTrayHostTest, BalloonsBecomeNotificationsUntilAPanelComesUpAndTheIconAppears) {
    PrivateBus bus;
    if (!bus.up())
        GTEST_SKIP() << "dbus-daemon could not be started; the desktop's side is untested";
    QDBusConnection server = bus.connect(QStringLiteral("zelto-desktop"));
    FakeDesktop desktop;
    ASSERT_TRUE(server.registerVirtualObject("/org/freedesktop/Notifications", &desktop));
    ASSERT_TRUE(server.registerService("org.freedesktop.Notifications"));
    make(bus.connect(QStringLiteral("zelto-client")));

    const std::string text = "Running-9) learn&save-failed <b> at 10:15:03";
    tray->modify(record(shell::kBalloonFlags, 101, "", text));  // window shown: nothing to raise
    const std::string tip = "Stopped-2) Gateway-problem  at 10:15:03";
    tray->add(record(shell::kIconFlags, 102, tip, ""));
    tray->modify(record(shell::kIconFlags, 102, tip, ""));  // no balloon in the record
    tray->modify(record(shell::kBalloonFlags, 102, tip, text));
    ASSERT_TRUE(serveUntil([&] { return desktop.notifications().size() == 1; }));
    const QList<QVariant> n = desktop.notifications()[0];
    ASSERT_EQ(n.size(), 8);
    EXPECT_EQ((QVariantList{n[0], n[1], n[2], n[3], n[4], n[7]}),
              (QVariantList{"Zelto", 0U, "dialog-error", "Network problem",
                            "Running-9) learn&amp;save-failed &lt;b&gt; at 10:15:03", 10000}));
    EXPECT_EQ(qdbus_cast<QVariantMap>(n[6]).value("urgency").toInt(), 2);
    // The next balloon, once the first one's id is back, replaces it rather than stack up.
    ASSERT_TRUE(
        serveUntil([&] { return tray->findChildren<QDBusPendingCallWatcher*>().isEmpty(); }));
    tray->modify(record(shell::kBalloonFlags, 102, tip, "second"));
    ASSERT_TRUE(serveUntil([&] { return desktop.notifications().size() == 2; }));
    EXPECT_EQ(desktop.notifications()[1][1].toUInt(), 42u);

    // The watcher comes first, its host (the panel itself) a moment later.
    ASSERT_TRUE(server.registerVirtualObject("/StatusNotifierWatcher", &desktop));
    ASSERT_TRUE(server.registerService("org.kde.StatusNotifierWatcher"));
    settle();
    EXPECT_EQ(tray->trayIcon(), nullptr);
    desktop.hostRegistered = true;
    server.send(QDBusMessage::createSignal(
        "/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher", "StatusNotifierHostRegistered"));
    ASSERT_TRUE(serveUntil([&] { return tray->trayIcon() != nullptr; }));
    EXPECT_TRUE(tray->available());
    QSystemTrayIcon* icon = tray->trayIcon();
    EXPECT_TRUE(icon->isVisible());
    EXPECT_EQ(icon->toolTip().toStdString(), tip);
    EXPECT_EQ(icon->icon().pixmap(16, 16).toImage(),
              trafficLightIcon(102).pixmap(16, 16).toImage());
    EXPECT_EQ(icon->contextMenu(), tray->menu());

    // Such a host reports clicks, never double clicks: a click brings the window back.
    Q_EMIT icon->activated(QSystemTrayIcon::Trigger);
    Q_EMIT icon->activated(QSystemTrayIcon::Context);
    EXPECT_EQ(activations, std::vector<Activation>{Activation::DoubleClick});
    tray->remove();
    EXPECT_FALSE(icon->isVisible());

    ASSERT_TRUE(server.unregisterService("org.kde.StatusNotifierWatcher"));
    EXPECT_TRUE(serveUntil([&] { return !tray->available(); }));
}

}  // namespace
}  // namespace zelto::widgets
