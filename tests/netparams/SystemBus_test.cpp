#include "netparams/linux/SystemBus.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <QtDBus>
#include <chrono>

#include "FakeSources.h"

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
        const QString asked = m.member() == "Get" ? m.arguments().value(1).toString() : m.member();
        auto object = [](const QString& p) {
            return QVariant::fromValue(QDBusObjectPath("/org/freedesktop/NetworkManager/" + p));
        };
        if (asked == "GetDeviceByIpIface" && name != "eth0")
            return name == "stuck0" ||
                   bus.send(m.createErrorReply("org.freedesktop.NetworkManager.UnknownDevice", ""));
        const bool first = m.path().endsWith("/5") || m.path().endsWith("/1");
        const QMap<QString, QVariant> answers{
            {"GetDeviceByIpIface", object("Devices/2")},
            {"ActiveConnection", object(reconnected ? "ActiveConnection/7" : "ActiveConnection/5")},
            {"Connection", object(first ? "Settings/1" : "Settings/2")},
            {"GetSettings", QVariant::fromValue(SettingsMap{
                                {"ipv4", QVariantMap{{"method", first ? "auto" : "manual"}}}})},
            {"Dhcp4Config", object("DHCP4Config/7")},
            {"Options", QVariantMap{{"dhcp_server_identifier", "192.0.2.1"},
                                    {"dhcp_lease_time", "3600"},
                                    {"expiry", "1765000000"}}},
            {"Configuration", QVariant::fromValue(QList<QVariantMap>{
                                  {{"nameservers", QStringList{"192.0.2.1", "2001:db8::1"}}},
                                  {{"nameservers", QStringList{"198.51.100.53", "192.0.2.1"}}}})},
            {"DNS", QVariant::fromValue(
                        QList<ResolvedServer>{{0, AF_INET, QByteArray("\xC0\x00\x02\x35", 4)},
                                              {2, AF_INET6, QByteArray(16, '\1')},
                                              {2, AF_INET, QByteArray("\xC6\x33\x64\x01", 4)},
                                              {3, AF_INET, QByteArray("\xC0\x00\x02\x35", 4)}})}};
        if (!answers.contains(asked))
            return false;
        const bool property = m.member() == "Get" && asked != "GetSettings";
        return bus.send(m.createReply(property ? QVariant::fromValue(QDBusVariant(answers[asked]))
                                               : answers[asked]));
    }
};

TEST(SystemBus, AsksNetworkManagerAndResolvedWithATimeLimit) {
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    using Link = SystemBus::NetworkManagerLink;
    // A private bus daemon stands in for the system bus.
    QProcess daemon;
    daemon.start("dbus-daemon", {"--session", "--nofork", "--nopidfile", "--print-address=1"});
    if (!daemon.waitForStarted() || !daemon.waitForReadyRead())
        GTEST_SKIP() << "dbus-daemon did not start";
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address.toUtf8().constData(), 1);
    SystemBus bus("", 250);

    qDBusRegisterMetaType<ResolvedServer>();
    qDBusRegisterMetaType<QList<ResolvedServer>>();
    qDBusRegisterMetaType<SettingsMap>();
    qDBusRegisterMetaType<QList<QVariantMap>>();
    QThread serviceThread;
    FakeServices services;
    QDBusConnection serviceBus = QDBusConnection::connectToBus(address, "services");
    EXPECT_TRUE(
        serviceBus.registerVirtualObject("/org/freedesktop", &services, QDBusConnection::SubPath) &&
        serviceBus.registerService("org.freedesktop.NetworkManager") &&
        serviceBus.registerService("org.freedesktop.resolve1"));
    // Answered from a thread of their own, as the gather's calls block this one.
    services.moveToThread(&serviceThread);
    serviceThread.start();

    const auto lease = LinuxDhcpSource({}, &bus, [] {
                           return std::int64_t{1764990000};
                       }).lease(test::ethernetRow(2, "eth0"));
    EXPECT_EQ(lease ? lease->server + " " + std::to_string(lease->obtained) : "none",
              "192.0.2.1 1764996400");
    EXPECT_EQ(bus.networkManagerLink("eth1").state, Link::NotManaged);
    EXPECT_EQ(bus.resolvedServers(), (std::vector<std::string>{"192.0.2.53", "198.51.100.1"}));
    EXPECT_EQ(bus.networkManagerServers(),
              (std::vector<std::string>{"192.0.2.1", "198.51.100.53"}));
    services.reconnected = true;  // a new activation of the connection is asked again
    EXPECT_EQ(bus.networkManagerLink("eth0").state, Link::Static);

    // A service that never answers costs one time limit, then is left alone for a while.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(bus.networkManagerLink("stuck0").state, Link::Unreachable);
    EXPECT_EQ(bus.networkManagerLink("eth0").state, Link::Unreachable);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    serviceThread.quit();
    serviceThread.wait();
    QDBusConnection::disconnectFromBus("services");
}

}  // namespace
}  // namespace zelto::netparams
