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
#include <QStringList>
#include <QThread>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "lab/Command.h"
#include "lab/Process.h"
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

// NetworkManager and systemd-resolved as far as the gather asks them: eth0 uses DHCP, wlan0 a
// static address, until `reconnected` gives eth0 a new, static active connection. "stuck0"
// never gets an answer, like a wedged service.
class FakeServices : public QDBusVirtualObject {
  public:
    std::atomic<bool> reconnected{false};
    std::atomic<int> settingsAsked{0};

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& m, const QDBusConnection& bus) override {
        const QVariantList args = m.arguments();
        const QString path = m.path();
        auto reply = [&](const QVariant& v) { bus.send(m.createReply(v)); };
        auto wrapped = [&](const QVariant& v) { reply(QVariant::fromValue(QDBusVariant(v))); };
        auto object = [](const QString& p) { return QVariant::fromValue(QDBusObjectPath(p)); };
        const QString nm = "/org/freedesktop/NetworkManager/";
        if (m.member() == "GetDeviceByIpIface") {
            const QString name = args.value(0).toString();
            if (name == "stuck0")
                return true;
            if (name != "eth0" && name != "wlan0") {
                bus.send(m.createErrorReply("org.freedesktop.NetworkManager.UnknownDevice", "no"));
                return true;
            }
            reply(object(nm + (name == "eth0" ? "Devices/2" : "Devices/3")));
        } else if (m.member() == "Get" && args.value(1) == "ActiveConnection") {
            const bool eth0 = path.endsWith("/2");
            wrapped(object(nm + "ActiveConnection/" + (!eth0 ? "6" : reconnected ? "7" : "5")));
        } else if (m.member() == "Get" && args.value(1) == "Connection") {
            wrapped(object(nm + "Settings/" + (path.endsWith("/5") ? "1" : "2")));
        } else if (m.member() == "GetSettings") {
            ++settingsAsked;
            const QString method = path.endsWith("/1") ? "auto" : "manual";
            reply(QVariant::fromValue(SettingsMap{{"ipv4", QVariantMap{{"method", method}}}}));
        } else if (m.member() == "Get" && args.value(1) == "Dhcp4Config") {
            wrapped(object(nm + "DHCP4Config/7"));
        } else if (m.member() == "Get" && args.value(1) == "Options") {
            wrapped(QVariantMap{
                {"dhcp_server_identifier", QVariant::fromValue(QDBusVariant("192.0.2.1"))},
                {"dhcp_lease_time", QVariant::fromValue(QDBusVariant("3600"))},
                {"expiry", QVariant::fromValue(QDBusVariant("1765000000"))}});
        } else if (m.member() == "Get" && args.value(1) == "Configuration") {
            wrapped(QVariant::fromValue(QList<QVariantMap>{
                {{"nameservers", QStringList{"192.0.2.1", "2001:db8::1"}}, {"interface", "eth0"}},
                {{"nameservers", QStringList{"198.51.100.53", "192.0.2.1"}}}}));
        } else if (m.member() == "Get" && args.value(1) == "DNS") {
            QList<ResolvedServer> servers = {{0, AF_INET, QByteArray("\xC0\x00\x02\x35", 4)},
                                             {2, AF_INET6, QByteArray(16, '\1')},
                                             {2, AF_INET, QByteArray("\xC6\x33\x64\x01", 4)},
                                             {3, AF_INET, QByteArray("\xC0\x00\x02\x35", 4)}};
            wrapped(QVariant::fromValue(servers));
        } else {
            return false;
        }
        return true;
    }
};

// Before the fake lease's expiry.
std::int64_t beforeExpiry() {
    return 1764990000;
}

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

    // Before anything asks the system bus: it is found from this variable.
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + socket).c_str(), 1);
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    qDBusRegisterMetaType<ResolvedServer>();
    qDBusRegisterMetaType<QList<ResolvedServer>>();
    qDBusRegisterMetaType<SettingsMap>();
    qDBusRegisterMetaType<QList<QVariantMap>>();
    using Link = SystemBus::NetworkManagerLink;

    SystemBus absent(dir.path() + "no-such-socket");
    ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    EXPECT_EQ(absent.networkManagerLink("eth0").state, Link::Unreachable);  // no socket
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + socket).c_str(), 1);

    SystemBus bus(socket, 250);
    EXPECT_EQ(bus.networkManagerLink("eth0").state, Link::NotManaged);  // nothing runs yet
    EXPECT_TRUE(bus.resolvedServers().empty());
    EXPECT_TRUE(bus.networkManagerServers().empty());

    QThread serviceThread;
    FakeServices services;
    services.moveToThread(&serviceThread);
    serviceThread.start();
    struct Stop {
        QThread& thread;
        ~Stop() {
            thread.quit();
            thread.wait();
        }
    } stop{serviceThread};
    QDBusConnection serviceBus =
        QDBusConnection::connectToBus(QString::fromStdString("unix:path=" + socket), "services");
    ASSERT_TRUE(serviceBus.isConnected());
    // Registered from the services' own thread, where their calls will be delivered.
    bool registered = false;
    QMetaObject::invokeMethod(
        &services,
        [&] {
            registered = serviceBus.registerVirtualObject("/org/freedesktop", &services,
                                                          QDBusConnection::SubPath);
        },
        Qt::BlockingQueuedConnection);
    ASSERT_TRUE(registered);
    ASSERT_TRUE(serviceBus.registerService("org.freedesktop.NetworkManager"));
    ASSERT_TRUE(serviceBus.registerService("org.freedesktop.resolve1"));

    const Link eth0 = bus.networkManagerLink("eth0");
    EXPECT_EQ(eth0.state, Link::Dhcp);
    EXPECT_EQ(eth0.options.at("dhcp_server_identifier"), "192.0.2.1");
    EXPECT_EQ(bus.networkManagerLink("wlan0").state, Link::Static);
    EXPECT_EQ(bus.networkManagerLink("eth1").state, Link::NotManaged);
    EXPECT_EQ(bus.resolvedServers(), (std::vector<std::string>{"192.0.2.53", "198.51.100.1"}));
    EXPECT_EQ(bus.networkManagerServers(),
              (std::vector<std::string>{"192.0.2.1", "198.51.100.53"}));
    InterfaceRow link;
    link.index = 2;
    link.name = "eth0";
    EXPECT_EQ(LinuxDhcpSource(DhcpPaths{"/nonexistent", {}, {}}, &bus, beforeExpiry)
                  .lease(link)
                  ->obtained,
              1765000000 - 3600);

    // The method is asked once per activation of a connection.
    const int asked = services.settingsAsked;
    EXPECT_EQ(bus.networkManagerLink("eth0").state, Link::Dhcp);
    EXPECT_EQ(services.settingsAsked, asked);
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
