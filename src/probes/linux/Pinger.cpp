#include "probes/linux/Pinger.h"

#include <arpa/inet.h>
#include <linux/errqueue.h>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/random.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <optional>
#include <system_error>

#include "probes/linux/IcmpPacket.h"
#include "probes/linux/StopWaker.h"

namespace zelto::probes {

namespace {

using Clock = std::chrono::steady_clock;

// Large enough for any answer to an 11-byte echo, an IP header with options, and an ICMP
// error quoting our request; longer foreign datagrams are cut, which does them no harm.
constexpr std::size_t kReceiveBuffer = 2048;

std::string roundTripText(Clock::duration elapsed) {
    return std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()) +
           " ms";
}

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

/// The first queued ICMP error of a datagram socket (IP_RECVERR), as a ping status.
std::optional<int> queuedError(int fd) {
    std::array<std::uint8_t, 512> data{};
    std::array<std::uint8_t, 512> control{};
    sockaddr_in offender{};
    iovec io{data.data(), data.size()};
    msghdr msg{};
    msg.msg_name = &offender;
    msg.msg_namelen = sizeof offender;
    msg.msg_iov = &io;
    msg.msg_iovlen = 1;
    msg.msg_control = control.data();
    msg.msg_controllen = control.size();
    if (::recvmsg(fd, &msg, MSG_ERRQUEUE | MSG_DONTWAIT) < 0)
        return std::nullopt;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level != SOL_IP || c->cmsg_type != IP_RECVERR)
            continue;
        sock_extended_err err{};
        std::memcpy(&err, CMSG_DATA(c), sizeof err);
        if (err.ee_origin == SO_EE_ORIGIN_ICMP)
            return icmp::statusForIcmpError(err.ee_type, err.ee_code);
        return icmp::statusForErrno(static_cast<int>(err.ee_errno));
    }
    return std::nullopt;
}

/// A pending error of the socket itself (SO_ERROR), as a ping status.
std::optional<int> socketError(int fd) {
    int err = 0;
    socklen_t size = sizeof err;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &size) != 0 || err == 0)
        return std::nullopt;
    return icmp::statusForErrno(err);
}

bool refusedByPolicy(int err) {
    // EACCES: the group is outside ping_group_range; EPERM: a security module said no;
    // EPROTONOSUPPORT / EAFNOSUPPORT: a kernel built without ICMP datagram sockets.
    return err == EACCES || err == EPERM || err == EPROTONOSUPPORT || err == EAFNOSUPPORT;
}

}  // namespace

Pinger::Pinger(system::SystemCalls& calls, std::chrono::milliseconds timeout,
               Reporter reportNoSocket)
    : calls_(calls), timeout_(timeout), report_(std::move(reportNoSocket)) {}

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

PingResult Pinger::ping(const std::string& dotted, std::stop_token stop) {
    PingResult result;
    result.roundTrip = "0 ms";
    // inet_aton reads dotted text exactly as the run engine's "is this an address" test does.
    in_addr target{};
    if (::inet_aton(dotted.c_str(), &target) == 0) {
        result.status = kPingBadDestination;
        return result;
    }
    const StopWaker waker(std::move(stop));
    if (waker.stopped()) {
        result.status = kPingCancelled;
        return result;
    }
    IcmpSocket s = open();
    if (!s.fd.valid()) {
        if (s.rawError != 0)
            reportOnce(s);
        result.status = kPingNoSocket;
        return result;
    }

    const std::uint32_t bits = randomBits();
    icmp::EchoKey key{target.s_addr, static_cast<std::uint16_t>(bits >> 16),
                      static_cast<std::uint16_t>(bits & 0xFFFF)};
    // On a datagram socket the kernel writes its own identifier and checksum over ours.
    const auto request = icmp::echoRequest(key.id, key.seq);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr = target;
    const auto sent = Clock::now();
    if (calls_.sendto(s.fd.get(), request.data(), request.size(), 0,
                      reinterpret_cast<const sockaddr*>(&to), sizeof to) < 0) {
        // No route, a blackhole or a firewall: the answer is known now, no need to wait.
        result.status = icmp::statusForErrno(errno);
        return result;
    }

    // A reply whose data differs is kept aside: the true reply may still come, and if it does
    // not, the item fails on the data as it would have with the platform's echo function.
    std::optional<PingResult> differing;
    std::array<std::uint8_t, kReceiveBuffer> buffer{};
    const auto deadline = sent + timeout_;
    for (;;) {
        short revents = 0;
        switch (waker.wait(s.fd.get(), POLLIN, deadline, revents)) {
            case StopWaker::Outcome::Ready:
                break;
            case StopWaker::Outcome::Stopped:
                result.status = kPingCancelled;
                return result;
            case StopWaker::Outcome::TimedOut:
                if (differing)
                    return *differing;
                result.status = kPingTimedOut;
                return result;
            case StopWaker::Outcome::Failed:
                result.status = kPingNoSocket;
                return result;
        }
        if ((revents & POLLERR) != 0) {
            auto status = queuedError(s.fd.get());
            if (!status)
                status = socketError(s.fd.get());
            if (status) {
                result.roundTrip = roundTripText(Clock::now() - sent);
                result.status = *status;
                return result;
            }
        }
        for (;;) {
            sockaddr_in from{};
            socklen_t fromSize = sizeof from;
            const ssize_t n = ::recvfrom(s.fd.get(), buffer.data(), buffer.size(), MSG_DONTWAIT,
                                         reinterpret_cast<sockaddr*>(&from), &fromSize);
            if (n < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                    break;
                // A datagram socket hands a pending ICMP error to the next read as its errno.
                result.roundTrip = roundTripText(Clock::now() - sent);
                result.status = icmp::statusForErrno(errno);
                return result;
            }
            const std::span<const std::uint8_t> got(buffer.data(), static_cast<std::size_t>(n));
            const icmp::Answer answer =
                s.raw ? icmp::classifyRaw(got, key)
                      : icmp::classifyDatagram(got, from.sin_addr.s_addr, key);
            if (answer.kind == icmp::Answer::Kind::NotOurs)
                continue;
            result.roundTrip = roundTripText(Clock::now() - sent);
            if (answer.kind == icmp::Answer::Kind::Error) {
                result.status = answer.status;
                return result;
            }
            result.status = 0;
            result.dataMatches = icmp::dataMatches(answer.data);
            if (result.dataMatches.value_or(false))
                return result;
            if (!differing)
                differing = result;
        }
    }
}

}  // namespace zelto::probes
