#include "netparams/linux/SystemBus.h"

#include <arpa/inet.h>
#include <sys/stat.h>

#include <QByteArray>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QVariant>
#include <QVariantMap>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace zelto::netparams {

namespace {

const QString kNetworkManager = QStringLiteral("org.freedesktop.NetworkManager");
const QString kResolved = QStringLiteral("org.freedesktop.resolve1");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

// The socket named by DBUS_SYSTEM_BUS_ADDRESS ("unix:path=...") when set, else the default.
std::string busSocket(const std::string& fallback) {
    const char* address = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
    if (address == nullptr)
        return fallback;
    const std::string text(address);
    const std::string key = "unix:path=";
    if (!text.starts_with(key))
        return "";  // abstract or TCP buses: let Qt try, no file to check
    return text.substr(key.size(), text.find_first_of(",;") - key.size());
}

}  // namespace

SystemBus::SystemBus(std::string socketPath, int timeoutMilliseconds)
    : socketPath_(std::move(socketPath)), timeout_(timeoutMilliseconds) {}

bool SystemBus::reachable() {
    if (std::chrono::steady_clock::now() < quietUntil_)
        return false;
    const std::string socket = busSocket(socketPath_);
    struct stat info {};
    if (!socket.empty() && ::stat(socket.c_str(), &info) != 0)
        return false;
    return QDBusConnection::systemBus().isConnected();
}

void SystemBus::noteFailure(int errorType) {
    if (errorType == QDBusError::NoReply || errorType == QDBusError::Timeout ||
        errorType == QDBusError::TimedOut)
        quietUntil_ = std::chrono::steady_clock::now() + std::chrono::seconds(30);
}

namespace {

// One call with a time limit; an error reply comes back as such.
QDBusMessage call(const QString& service, const QString& path, const QString& interface,
                  const QString& method, const QVariantList& arguments, int timeout) {
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    // Never start a service just to ask it something.
    message.setAutoStartService(false);
    return QDBusConnection::systemBus().call(message, QDBus::Block, timeout);
}

bool hasOwner(const QString& name, int timeout, int& errorType) {
    const QDBusMessage reply = call(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"), {name}, timeout);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        errorType = QDBusError(reply).type();
        return false;
    }
    return reply.arguments().first().toBool();
}

// Properties.Get answers a variant; unwrap it.
std::optional<QVariant> property(const QString& service, const QString& path,
                                 const QString& interface, const QString& name, int timeout,
                                 int& errorType) {
    const QDBusMessage reply =
        call(service, path, kProperties, QStringLiteral("Get"), {interface, name}, timeout);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        errorType = QDBusError(reply).type();
        return std::nullopt;
    }
    return reply.arguments().first().value<QDBusVariant>().variant();
}

QString objectPath(const QVariant& value) {
    if (value.canConvert<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

}  // namespace

std::optional<std::map<std::string, std::string>> SystemBus::networkManagerDhcp4(
    const std::string& interface) {
    if (!reachable())
        return std::nullopt;
    int errorType = QDBusError::NoError;
    if (!hasOwner(kNetworkManager, timeout_, errorType)) {
        noteFailure(errorType);
        return std::nullopt;
    }
    const QDBusMessage device =
        call(kNetworkManager, QStringLiteral("/org/freedesktop/NetworkManager"), kNetworkManager,
             QStringLiteral("GetDeviceByIpIface"), {QString::fromStdString(interface)}, timeout_);
    if (device.type() != QDBusMessage::ReplyMessage || device.arguments().isEmpty()) {
        noteFailure(QDBusError(device).type());
        return std::nullopt;
    }
    const QString devicePath = objectPath(device.arguments().first());
    const auto config = property(kNetworkManager, devicePath,
                                 QStringLiteral("org.freedesktop.NetworkManager.Device"),
                                 QStringLiteral("Dhcp4Config"), timeout_, errorType);
    const QString configPath = config ? objectPath(*config) : QString();
    if (configPath.isEmpty() || configPath == QStringLiteral("/")) {
        noteFailure(errorType);
        return std::nullopt;
    }
    const auto options = property(kNetworkManager, configPath,
                                  QStringLiteral("org.freedesktop.NetworkManager.DHCP4Config"),
                                  QStringLiteral("Options"), timeout_, errorType);
    if (!options) {
        noteFailure(errorType);
        return std::nullopt;
    }
    QVariantMap map;
    if (options->canConvert<QDBusArgument>())
        options->value<QDBusArgument>() >> map;
    else
        map = options->toMap();
    std::map<std::string, std::string> out;
    for (auto i = map.cbegin(); i != map.cend(); ++i) {
        const QVariant v = i.value().canConvert<QDBusVariant>()
                               ? i.value().value<QDBusVariant>().variant()
                               : i.value();
        out[i.key().toStdString()] = v.toString().toStdString();
    }
    return out;
}

std::vector<std::string> SystemBus::resolvedServers() {
    std::vector<std::string> servers;
    if (!reachable())
        return servers;
    int errorType = QDBusError::NoError;
    if (!hasOwner(kResolved, timeout_, errorType)) {
        noteFailure(errorType);
        return servers;
    }
    const auto dns = property(kResolved, QStringLiteral("/org/freedesktop/resolve1"),
                              QStringLiteral("org.freedesktop.resolve1.Manager"),
                              QStringLiteral("DNS"), timeout_, errorType);
    if (!dns || !dns->canConvert<QDBusArgument>()) {
        noteFailure(errorType);
        return servers;
    }
    // a(iiay): interface index, address family, address bytes.
    const QDBusArgument list = dns->value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        int index = 0;
        int family = 0;
        QByteArray bytes;
        list.beginStructure();
        list >> index >> family >> bytes;
        list.endStructure();
        if (family != AF_INET || bytes.size() != 4)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        in_addr address{};
        std::memcpy(&address, bytes.constData(), 4);
        ::inet_ntop(AF_INET, &address, text, sizeof text);
        if (std::find(servers.begin(), servers.end(), text) == servers.end())
            servers.emplace_back(text);
    }
    list.endArray();
    return servers;
}

}  // namespace zelto::netparams
