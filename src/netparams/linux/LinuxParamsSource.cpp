#include "netparams/linux/LinuxParamsSource.h"

#include <unistd.h>

#include <cerrno>

#include "netparams/linux/ResolvConf.h"
#include "netparams/linux/SystemBus.h"
#include "system/linux/WholeFile.h"

namespace zelto::netparams {

namespace {

constexpr std::size_t kConfigFileLimit = std::size_t{1} << 20;

int systemHostName(char* name, std::size_t length) {
    return ::gethostname(name, length);
}

// A configuration file's text; a missing or unreadable one reads as empty.
std::string configText(const std::string& path) {
    return system::readWholeFile(path, kConfigFileLimit).bytes;
}

}  // namespace

LinuxParamsSource::LinuxParamsSource(ParamsPaths paths, SystemBus* bus, HostNameCall hostName)
    : paths_(std::move(paths)), bus_(bus), hostName_(hostName ? hostName : systemHostName) {}

NetworkParams LinuxParamsSource::readParams() {
    NetworkParams p;
    char name[256] = {};
    if (hostName_(name, sizeof name - 1) != 0) {
        p.sizingError = errno != 0 ? errno : EIO;
        return p;
    }
    p.hostName = name;

    // A missing resolver file means no DNS servers, which the report shows; not a failure.
    ResolverConfig config = parseResolvConf(configText(paths_.resolvConf));
    if (onlyResolvedStub(config.nameservers)) {
        // The stub is only a relay: the servers that answer are the ones a user must know.
        std::vector<std::string> upstream;
        if (bus_ != nullptr)
            upstream = bus_->resolvedServers();
        if (const system::FileRead resolved =
                system::readWholeFile(paths_.resolvedConf, kConfigFileLimit);
            !resolved.error) {
            const ResolverConfig behind = parseResolvConf(resolved.bytes);
            if (upstream.empty())
                upstream = behind.nameservers;
            if (config.domain.empty())
                config.domain = behind.domain;
        }
        if (!upstream.empty())
            config.nameservers = upstream;
    } else if (onlyLocalRelay(config.nameservers)) {
        // NetworkManager's dnsmasq forwards to the servers NetworkManager configured; without
        // the bus, its resolv.conf without the relay names them too.
        std::vector<std::string> upstream;
        if (bus_ != nullptr)
            upstream = bus_->networkManagerServers();
        if (upstream.empty())
            upstream = parseResolvConf(configText(paths_.networkManagerConf)).nameservers;
        if (!upstream.empty() && !onlyLocalRelay(upstream))
            config.nameservers = upstream;
    }
    p.dnsServers = config.nameservers;

    // The DNS domain, not getdomainname's NIS domain: the resolver's, else the host's own
    // full name, else its canonical name in /etc/hosts (which sends no query).
    p.domainName = config.domain;
    if (p.domainName.empty()) {
        if (const std::size_t dot = p.hostName.find('.'); dot != std::string::npos) {
            p.domainName = p.hostName.substr(dot + 1);
        } else {
            p.domainName = domainFromHosts(configText(paths_.hosts), p.hostName);
        }
    }

    if (const system::FileRead forward = system::readWholeFile(paths_.ipForward, 16);
        !forward.error)
        p.enableRouting = !forward.bytes.empty() && forward.bytes[0] != '0' ? 1 : 0;
    return p;
}

}  // namespace zelto::netparams
