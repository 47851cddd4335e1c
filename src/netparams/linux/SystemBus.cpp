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
#include <QStringList>
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

namespace {

const QString kDevice = QStringLiteral("org.freedesktop.NetworkManager.Device");

// A Properties.Get answer that is an object path; empty when there is none ("/").
std::optional<std::string> pathProperty(const QString& path, const QString& interface,
                                        const QString& name, int timeout, int& errorType) {
    const auto value = property(kNetworkManager, path, interface, name, timeout, errorType);
    if (!value)
        return std::nullopt;
    const QString found = objectPath(*value);
    return found == QStringLiteral("/") ? std::string() : found.toStdString();
}

std::map<std::string, std::string> stringMap(const QVariant& value) {
    QVariantMap map;
    if (value.canConvert<QDBusArgument>())
        value.value<QDBusArgument>() >> map;
    else
        map = value.toMap();
    std::map<std::string, std::string> out;
    for (auto i = map.cbegin(); i != map.cend(); ++i) {
        const QVariant v = i.value().canConvert<QDBusVariant>()
                               ? i.value().value<QDBusVariant>().variant()
                               : i.value();
        out[i.key().toStdString()] = v.toString().toStdString();
    }
    return out;
}

// ipv4.method of a connection's settings, a{sa{sv}}.
std::string ipv4Method(const QVariant& settings) {
    if (!settings.canConvert<QDBusArgument>())
        return {};
    const QDBusArgument map = settings.value<QDBusArgument>();
    std::string method;
    map.beginMap();
    while (!map.atEnd()) {
        QString group;
        QVariantMap values;
        map.beginMapEntry();
        map >> group >> values;
        map.endMapEntry();
        if (group == QStringLiteral("ipv4"))
            method = values.value(QStringLiteral("method")).toString().toStdString();
    }
    map.endMap();
    return method;
}

}  // namespace

std::optional<std::string> SystemBus::devicePath(const std::string& interface, bool& known) {
    known = true;
    if (const auto cached = devices_.find(interface); cached != devices_.end())
        return cached->second.path;
    const QDBusMessage device =
        call(kNetworkManager, QStringLiteral("/org/freedesktop/NetworkManager"), kNetworkManager,
             QStringLiteral("GetDeviceByIpIface"), {QString::fromStdString(interface)}, timeout_);
    if (device.type() != QDBusMessage::ReplyMessage || device.arguments().isEmpty()) {
        const int errorType = QDBusError(device).type();
        noteFailure(errorType);
        // An unknown link or a NetworkManager that does not run is an answer; a wedged one
        // is not.
        known = errorType != QDBusError::NoReply && errorType != QDBusError::Timeout &&
                errorType != QDBusError::TimedOut && errorType != QDBusError::Disconnected;
        return std::nullopt;
    }
    const std::string path = objectPath(device.arguments().first()).toStdString();
    devices_[interface] = Device{path, "", false};
    return path;
}

std::optional<bool> SystemBus::usesDhcp(const std::string& activeConnection) {
    int errorType = QDBusError::NoError;
    const auto connection =
        pathProperty(QString::fromStdString(activeConnection),
                     QStringLiteral("org.freedesktop.NetworkManager.Connection.Active"),
                     QStringLiteral("Connection"), timeout_, errorType);
    if (!connection || connection->empty()) {
        noteFailure(errorType);
        return std::nullopt;
    }
    const QDBusMessage settings =
        call(kNetworkManager, QString::fromStdString(*connection),
             QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection"),
             QStringLiteral("GetSettings"), {}, timeout_);
    if (settings.type() != QDBusMessage::ReplyMessage || settings.arguments().isEmpty()) {
        noteFailure(QDBusError(settings).type());
        return std::nullopt;
    }
    return ipv4Method(settings.arguments().first()) == "auto";
}

SystemBus::NetworkManagerLink SystemBus::networkManagerLink(const std::string& interface) {
    NetworkManagerLink link;
    if (!reachable())
        return link;
    for (int attempt = 0; attempt < 2; ++attempt) {
        bool known = false;
        const auto path = devicePath(interface, known);
        if (!path) {
            link.state = known ? NetworkManagerLink::NotManaged : NetworkManagerLink::Unreachable;
            return link;
        }
        int errorType = QDBusError::NoError;
        const QString device = QString::fromStdString(*path);
        const auto active =
            pathProperty(device, kDevice, QStringLiteral("ActiveConnection"), timeout_, errorType);
        if (!active) {
            // The device went away since it was looked up: look it up once more.
            devices_.erase(interface);
            noteFailure(errorType);
            continue;
        }
        link.state = NetworkManagerLink::NotManaged;
        if (active->empty())
            return link;
        Device& cached = devices_[interface];
        if (cached.activeConnection != *active) {
            const std::optional<bool> dhcp = usesDhcp(*active);
            if (!dhcp)
                return link;
            cached.activeConnection = *active;
            cached.dhcp = *dhcp;
        }
        if (!cached.dhcp) {
            link.state = NetworkManagerLink::Static;
            return link;
        }
        link.state = NetworkManagerLink::Dhcp;
        const auto config =
            pathProperty(device, kDevice, QStringLiteral("Dhcp4Config"), timeout_, errorType);
        if (!config || config->empty())
            return link;
        const auto options = property(kNetworkManager, QString::fromStdString(*config),
                                      QStringLiteral("org.freedesktop.NetworkManager.DHCP4Config"),
                                      QStringLiteral("Options"), timeout_, errorType);
        if (options)
            link.options = stringMap(*options);
        return link;
    }
    link.state = NetworkManagerLink::NotManaged;
    return link;
}

std::vector<std::string> SystemBus::networkManagerServers() {
    std::vector<std::string> servers;
    if (!reachable())
        return servers;
    int errorType = QDBusError::NoError;
    const auto configuration =
        property(kNetworkManager, QStringLiteral("/org/freedesktop/NetworkManager/DnsManager"),
                 QStringLiteral("org.freedesktop.NetworkManager.DnsManager"),
                 QStringLiteral("Configuration"), timeout_, errorType);
    if (!configuration || !configuration->canConvert<QDBusArgument>()) {
        noteFailure(errorType);
        return servers;
    }
    // aa{sv}: one entry per connection, each with its "nameservers" (as), in NetworkManager's
    // order of use.
    const QDBusArgument list = configuration->value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        QVariantMap entry;
        list >> entry;
        QVariant names = entry.value(QStringLiteral("nameservers"));
        QStringList addresses;
        if (names.canConvert<QDBusArgument>())
            names.value<QDBusArgument>() >> addresses;
        else
            addresses = names.toStringList();
        for (const QString& address : addresses) {
            in_addr parsed{};
            const std::string text = address.toStdString();
            if (::inet_pton(AF_INET, text.c_str(), &parsed) == 1 &&
                std::find(servers.begin(), servers.end(), text) == servers.end())
                servers.push_back(text);
        }
    }
    list.endArray();
    return servers;
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
