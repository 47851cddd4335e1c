#include "widgets/QtTrayHost.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
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

shell::TrayIconData record(int flags, int iconId, const std::string& tip, const std::string& info) {
    return {flags, iconId, tip, info, 1, "Network problem", shell::kBalloonError};
}

/// A D-Bus daemon of the test's own, so nothing reaches the desktop's session bus.
struct PrivateBus {
    PrivateBus() {
        daemon.start(QStringLiteral("dbus-daemon"),
                     {"--session", "--nofork", "--nopidfile", "--print-address=1"});
        while (daemon.waitForStarted(5000) && !daemon.canReadLine() &&
               daemon.waitForReadyRead(5000)) {
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
    std::vector<Activation> activations;
    auto tray = std::make_unique<QtTrayHost>(
        start, stop, show, exit, [&](Activation a) { activations.push_back(a); },
        QDBusConnection::connectToBus(bus.address, QStringLiteral("zelto-client")));

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

    // The watcher comes first, its host (the panel itself) a moment later.
    ASSERT_TRUE(server.registerVirtualObject("/StatusNotifierWatcher", &desktop));
    ASSERT_TRUE(server.registerService("org.kde.StatusNotifierWatcher"));
    serveUntil([] { return false; }, 300);  // time for a wrong icon to show up
    EXPECT_EQ(tray->trayIcon(), nullptr);
    desktop.hostRegistered = true;
    server.send(QDBusMessage::createSignal(
        "/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher", "StatusNotifierHostRegistered"));
    ASSERT_TRUE(serveUntil([&] { return tray->trayIcon() != nullptr; }));
    EXPECT_TRUE(tray->available());
    QSystemTrayIcon* icon = tray->trayIcon();
    EXPECT_TRUE(icon->isVisible());
    EXPECT_EQ(icon->toolTip().toStdString(), tip);
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
