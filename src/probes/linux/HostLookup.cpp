#include "probes/linux/HostLookup.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>

#include <cstring>
#include <memory>

#include "system/linux/Fd.h"

namespace zelto::probes {

namespace {

// The platform's name buffer holds 256 characters with the terminator.
constexpr std::size_t kMaxName = 255;
// Lookups in flight at once; more wait their turn. A name server that does not answer holds a
// thread for its time-out, so a few are enough.
constexpr std::size_t kLookupThreads = 4;

// Any address that only a default route covers. Class E is never routed on its own, and
// connecting a UDP socket sends nothing: the kernel only picks the route and source.
constexpr const char* kBeyondEveryNetwork = "240.0.0.1";

std::string dotted(in_addr address) {
    char text[INET_ADDRSTRLEN] = {};
    if (::inet_ntop(AF_INET, &address, text, sizeof text) == nullptr)
        return {};
    return text;
}

bool isLoopbackOrAny(in_addr address) {
    const auto host = ntohl(address.s_addr);
    return host == INADDR_ANY || (host >> 24) == IN_LOOPBACKNET;
}

std::string trimSpaces(const std::string& name) {
    const auto first = name.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return name.substr(first, name.find_last_not_of(' ') - first + 1);
}

std::string resolve(const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    // One socket type, or every address comes back once per type.
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &list) != 0 || list == nullptr)
        return {};
    std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> owner(list, &::freeaddrinfo);
    sockaddr_in first{};
    std::memcpy(&first, list->ai_addr, sizeof first);
    return dotted(first.sin_addr);
}

}  // namespace

HostLookup::HostLookup(system::SystemCalls& calls) : calls_(calls), pool_(kLookupThreads) {}

void HostLookup::start(const std::string& name, const std::stop_token& stop,
                       Completion<std::string> done) {
    if (name == " ")
        return done(thisPcAddress());
    std::string wanted = trimSpaces(name);
    if (wanted.size() > kMaxName)
        wanted.resize(kMaxName);
    // An empty name would be this PC to some resolvers; a blank item is not a host.
    if (wanted.empty() || stop.stop_requested())
        return done({});
    // Dotted text needs no resolver and no thread.
    in_addr numeric{};
    if (::inet_pton(AF_INET, wanted.c_str(), &numeric) == 1)
        return done(dotted(numeric));
    pool_.submit([wanted] { return resolve(wanted); }, stop, std::move(done));
}

std::string HostLookup::thisPcAddress() {
    system::Fd udp(calls_.socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (udp.valid()) {
        sockaddr_in far{};
        far.sin_family = AF_INET;
        far.sin_port = htons(9);
        ::inet_pton(AF_INET, kBeyondEveryNetwork, &far.sin_addr);
        sockaddr_in local{};
        socklen_t size = sizeof local;
        if (calls_.connect(udp.get(), reinterpret_cast<const sockaddr*>(&far), sizeof far) == 0 &&
            ::getsockname(udp.get(), reinterpret_cast<sockaddr*>(&local), &size) == 0 &&
            !isLoopbackOrAny(local.sin_addr))
            return dotted(local.sin_addr);
    }
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) == 0) {
        std::unique_ptr<ifaddrs, decltype(&::freeifaddrs)> owner(list, &::freeifaddrs);
        for (const ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
            if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET ||
                (i->ifa_flags & IFF_UP) == 0 || (i->ifa_flags & IFF_LOOPBACK) != 0)
                continue;
            sockaddr_in address{};
            std::memcpy(&address, i->ifa_addr, sizeof address);
            if (!isLoopbackOrAny(address.sin_addr))
                return dotted(address.sin_addr);
        }
    }
    // Not the 127.0.1.1 that /etc/hosts gives the host name: the run engine knows 127.0.0.1
    // as "no address".
    return "127.0.0.1";
}

}  // namespace zelto::probes
