#include "probes/linux/Pinger.h"

#include <arpa/inet.h>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <sys/random.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <optional>
#include <system_error>

#include "probes/linux/EchoTask.h"
#include "probes/linux/IcmpPacket.h"

namespace zelto::probes {

namespace {

using Clock = std::chrono::steady_clock;

std::uint32_t randomBits() {
    std::uint32_t value = 0;
    if (::getrandom(&value, sizeof value, GRND_NONBLOCK) != sizeof value) {
        // Only before the entropy pool is ready at boot; the clock still varies per call.
        value = static_cast<std::uint32_t>(Clock::now().time_since_epoch().count());
    }
    return value;
}

std::string describe(int err) {
    return std::generic_category().message(err);
}

std::string pingGroupRange() {
    std::ifstream in("/proc/sys/net/ipv4/ping_group_range");
    std::string low, high;
    if (!(in >> low >> high))
        return "unknown";
    return low + " " + high;
}

std::string noSocketMessage(int datagramError, int rawError) {
    std::string text =
        "zelto cannot ping: the ICMP datagram socket was refused (" + describe(datagramError) + ")";
    if (datagramError == EACCES)
        text += " because the user's group is outside net.ipv4.ping_group_range (" +
                pingGroupRange() + ")";
    text += " and the raw ICMP socket was refused (" + describe(rawError) + ")";
    if (rawError == EPERM || rawError == EACCES)
        text += " because the program lacks CAP_NET_RAW";
    return text +
           ". To ping, add the user's group to net.ipv4.ping_group_range or give the program "
           "CAP_NET_RAW.";
}

bool refusedByPolicy(int err) {
    // EACCES: the group is outside ping_group_range; EPERM: a security module said no;
    // EPROTONOSUPPORT / EAFNOSUPPORT: a kernel built without ICMP datagram sockets.
    return err == EACCES || err == EPERM || err == EPROTONOSUPPORT || err == EAFNOSUPPORT;
}

}  // namespace

Pinger::Pinger(system::SystemCalls& calls, ProbeLoop& loop, std::chrono::milliseconds timeout,
               Reporter reportNoSocket)
    : calls_(calls), loop_(loop), timeout_(timeout), report_(std::move(reportNoSocket)) {}

Pinger::IcmpSocket Pinger::open() {
    IcmpSocket s;
    constexpr int kFlags = SOCK_NONBLOCK | SOCK_CLOEXEC;
    s.fd.reset(calls_.socket(AF_INET, SOCK_DGRAM | kFlags, IPPROTO_ICMP));
    if (s.fd.valid()) {
        // Without IP_RECVERR an unconnected datagram socket never hears of an ICMP error, and a
        // "destination unreachable" would only end the wait at the time-out.
        const int on = 1;
        ::setsockopt(s.fd.get(), SOL_IP, IP_RECVERR, &on, sizeof on);
        return s;
    }
    s.datagramError = errno;
    if (!refusedByPolicy(s.datagramError))
        return s;
    s.fd.reset(calls_.socket(AF_INET, SOCK_RAW | kFlags, IPPROTO_ICMP));
    if (!s.fd.valid()) {
        s.rawError = errno;
        return s;
    }
    s.raw = true;
    // The kernel drops every ICMP type we never wait for (echo requests on loopback,
    // redirects, timestamps ...) before they reach the queue.
    icmp_filter filter{};
    filter.data =
        ~((1u << ICMP_ECHOREPLY) | (1u << ICMP_DEST_UNREACH) | (1u << ICMP_SOURCE_QUENCH) |
          (1u << ICMP_TIME_EXCEEDED) | (1u << ICMP_PARAMETERPROB));
    ::setsockopt(s.fd.get(), SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
    return s;
}

void Pinger::reportOnce(const IcmpSocket& refused) {
    if (reported_.exchange(true))
        return;
    if (report_)
        report_(noSocketMessage(refused.datagramError, refused.rawError));
}

void Pinger::start(const std::string& dotted, const std::stop_token& stop,
                   Completion<PingResult> done) {
    auto fail = [&done](int status) { done(PingResult{status, "0 ms", std::nullopt}); };
    // inet_aton reads dotted text exactly as the run engine's "is this an address" test does.
    in_addr target{};
    if (::inet_aton(dotted.c_str(), &target) == 0)
        return fail(kPingBadDestination);
    if (stop.stop_requested())
        return fail(kPingCancelled);
    IcmpSocket s = open();
    if (!s.fd.valid()) {
        if (s.rawError != 0)
            reportOnce(s);
        return fail(kPingNoSocket);
    }

    const std::uint32_t bits = randomBits();
    icmp::EchoKey key{target.s_addr, static_cast<std::uint16_t>(bits >> 16),
                      static_cast<std::uint16_t>(bits & 0xFFFF)};
    // On a datagram socket the kernel writes its own identifier and checksum over ours.
    const auto request = icmp::echoRequest(key.id, key.seq);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr = target;
    const auto sent = std::chrono::steady_clock::now();
    if (calls_.sendto(s.fd.get(), request.data(), request.size(), 0,
                      reinterpret_cast<const sockaddr*>(&to), sizeof to) < 0) {
        // No route, a blackhole or a firewall: the answer is known now, no need to wait.
        return fail(icmp::statusForErrno(errno));
    }
    if (!s.raw) {
        // The identifier the kernel chose is the socket's port; errors quote that one.
        sockaddr_in local{};
        socklen_t size = sizeof local;
        if (::getsockname(s.fd.get(), reinterpret_cast<sockaddr*>(&local), &size) == 0)
            key.id = ntohs(local.sin_port);
    }
    loop_.add(
        std::make_unique<EchoTask>(std::move(s.fd), s.raw, key, sent, timeout_, std::move(done)),
        stop);
}

}  // namespace zelto::probes
