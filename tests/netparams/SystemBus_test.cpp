#include "netparams/linux/SystemBus.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QScopeGuard>
#include <QThread>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "lab/Lab.h"
#include "netparams/linux/LinuxDhcpSource.h"
#include "support/TempDir.h"

// One entry of systemd-resolved's DNS property, a(iiay).
struct ResolvedServer {
    int index = 0;
    int family = 0;
    QByteArray address;
};
Q_DECLARE_METATYPE(ResolvedServer)

QDBusArgument& operator<<(QDBusArgument& out, const ResolvedServer& s) {
    out.beginStructure();
    out << s.index << s.family << s.address;
    out.endStructure();
    return out;
}
const QDBusArgument& operator>>(const QDBusArgument& in, ResolvedServer& s) {
    in.beginStructure();
    in >> s.index >> s.family >> s.address;
    in.endStructure();
    return in;
}

namespace zelto::netparams {
namespace {

using SettingsMap = QMap<QString, QVariantMap>;

// NetworkManager and systemd-resolved as far as the gather asks them: eth0 uses DHCP until
// `reconnected` gives it a new, static active connection. "stuck0" never gets an answer, like a
// wedged service.
class FakeServices : public QDBusVirtualObject {
  public:
    std::atomic<bool> reconnected{false};

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& m, const QDBusConnection& bus) override {
        const QString name = m.arguments().value(0).toString();
        const QString path = m.path();
        const QString asked = m.member() == "Get" ? m.arguments().value(1).toString() : m.member();
        auto object = [](const QString& p) {
            return QVariant::fromValue(QDBusObjectPath("/org/freedesktop/NetworkManager/" + p));
        };
        auto text = [](const char* t) { return QVariant::fromValue(QDBusVariant(t)); };
        QVariant answer;
        if (asked == "GetDeviceByIpIface" && name == "stuck0")
            return true;
        if (asked == "GetDeviceByIpIface" && name != "eth0") {
            bus.send(m.createErrorReply("org.freedesktop.NetworkManager.UnknownDevice", "no"));
            return true;
        }
        if (asked == "GetDeviceByIpIface")
            answer = object("Devices/2");
        else if (asked == "ActiveConnection")
            answer = object(reconnected ? "ActiveConnection/7" : "ActiveConnection/5");
        else if (asked == "Connection")
            answer = object(path.endsWith("/5") ? "Settings/1" : "Settings/2");
        else if (asked == "GetSettings")
            answer = QVariant::fromValue(SettingsMap{
                {"ipv4", QVariantMap{{"method", path.endsWith("/1") ? "auto" : "manual"}}}});
        else if (asked == "Dhcp4Config")
            answer = object("DHCP4Config/7");
        else if (asked == "Options")
            answer = QVariantMap{{"dhcp_server_identifier", text("192.0.2.1")},
                                 {"dhcp_lease_time", text("3600")},
                                 {"expiry", text("1765000000")}};
        else if (asked == "Configuration")
            answer = QVariant::fromValue(QList<QVariantMap>{
                {{"nameservers", QStringList{"192.0.2.1", "2001:db8::1"}}, {"interface", "eth0"}},
                {{"nameservers", QStringList{"198.51.100.53", "192.0.2.1"}}}});
        else if (asked == "DNS")
            answer = QVariant::fromValue(
                QList<ResolvedServer>{{0, AF_INET, QByteArray("\xC0\x00\x02\x35", 4)},
                                      {2, AF_INET6, QByteArray(16, '\1')},
                                      {2, AF_INET, QByteArray("\xC6\x33\x64\x01", 4)},
                                      {3, AF_INET, QByteArray("\xC0\x00\x02\x35", 4)}});
        else
            return false;
        const bool property = m.member() == "Get" && asked != "GetSettings";
        bus.send(m.createReply(property ? QVariant::fromValue(QDBusVariant(answer)) : answer));
        return true;
    }
};

TEST(SystemBus, AsksNetworkManagerAndResolvedWithATimeLimit) {
    if (!lab::run({"dbus-daemon", "--version"}).ok())
        GTEST_SKIP() << "dbus-daemon is not installed";
    test::TempDir dir;
    const std::string socket = dir.path() + "bus";
    // A private bus daemon on a file socket stands in for the system bus.
    lab::Process daemon = lab::Process::start([&socket] {
        const std::string address = "--address=unix:path=" + socket;
        ::execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--nopidfile",
                 address.c_str(), static_cast<char*>(nullptr));
        return 127;
    });
    for (int i = 0; i < 200 && !std::filesystem::exists(socket); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(std::filesystem::exists(socket)) << "dbus-daemon did not start";
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    qDBusRegisterMetaType<ResolvedServer>();
    qDBusRegisterMetaType<QList<ResolvedServer>>();
    qDBusRegisterMetaType<SettingsMap>();
    qDBusRegisterMetaType<QList<QVariantMap>>();
    using Link = SystemBus::NetworkManagerLink;

    ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");  // no socket: the bus is not asked
    EXPECT_EQ(SystemBus(dir.path() + "none").networkManagerLink("eth0").state, Link::Unreachable);
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + socket).c_str(), 1);
    SystemBus bus(socket, 250);
    EXPECT_EQ(bus.networkManagerLink("eth0").state, Link::NotManaged);  // nothing runs yet
    EXPECT_TRUE(bus.resolvedServers().empty());

    QThread serviceThread;
    const auto stop = qScopeGuard([&serviceThread] {
        serviceThread.quit();
        serviceThread.wait();
    });
    FakeServices services;
    services.moveToThread(&serviceThread);
    serviceThread.start();
    QDBusConnection serviceBus =
        QDBusConnection::connectToBus(QString::fromStdString("unix:path=" + socket), "services");
    // Registered from the services' own thread, where their calls will be delivered.
    bool registered = false;
    QMetaObject::invokeMethod(
        &services,
        [&] {
            registered = serviceBus.registerVirtualObject("/org/freedesktop", &services,
                                                          QDBusConnection::SubPath) &&
                         serviceBus.registerService("org.freedesktop.NetworkManager") &&
                         serviceBus.registerService("org.freedesktop.resolve1");
        },
        Qt::BlockingQueuedConnection);
    ASSERT_TRUE(registered);

    const Link eth0 = bus.networkManagerLink("eth0");
    EXPECT_EQ(eth0.state, Link::Dhcp);
    EXPECT_EQ(eth0.options.at("dhcp_server_identifier"), "192.0.2.1");
    EXPECT_EQ(bus.networkManagerLink("eth1").state, Link::NotManaged);
    EXPECT_EQ(bus.resolvedServers(), (std::vector<std::string>{"192.0.2.53", "198.51.100.1"}));
    EXPECT_EQ(bus.networkManagerServers(),
              (std::vector<std::string>{"192.0.2.1", "198.51.100.53"}));
    InterfaceRow link;
    link.name = "eth0";
    const auto beforeExpiry = [] { return std::int64_t{1764990000}; };
    EXPECT_EQ(LinuxDhcpSource({"/nonexistent", {}, {}}, &bus, beforeExpiry).lease(link)->obtained,
              1765000000 - 3600);

    // A new activation of the connection is asked again.
    services.reconnected = true;
    EXPECT_EQ(bus.networkManagerLink("eth0").state, Link::Static);

    // A service that never answers costs one time limit, then is left alone for a while.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(bus.networkManagerLink("stuck0").state, Link::Unreachable);
    EXPECT_EQ(bus.networkManagerLink("eth0").state, Link::Unreachable);
    EXPECT_TRUE(bus.resolvedServers().empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    serviceBus.unregisterObject("/org/freedesktop", QDBusConnection::UnregisterTree);
    QDBusConnection::disconnectFromBus("services");
}

}  // namespace
}  // namespace zelto::netparams
