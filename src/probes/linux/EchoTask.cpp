#include "probes/linux/EchoTask.h"

#include <linux/errqueue.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <span>
#include <utility>

namespace zelto::probes {

namespace {

// Large enough for any answer to an 11-byte echo, an IP header with options, and an ICMP
// error quoting our request; longer foreign datagrams are cut, which does them no harm.
constexpr std::size_t kReceiveBuffer = 2048;
// Reads per wake-up: a flood of foreign datagrams cannot keep the loop from the other probes.
constexpr int kReadsPerWake = 64;

std::string roundTripText(LoopTask::Clock::duration elapsed) {
    return std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()) +
           " ms";
}

/// The ping status of one entry of a datagram socket's error queue (IP_RECVERR) when it is an
/// ICMP error about our own echo: sent to our target (the offender address the kernel gives),
/// and its data, the quoted ICMP header, carries our identifier and sequence. The identifier
/// alone is not enough: a socket that had it before may have left errors on the way.
std::optional<int> ourQueuedError(const msghdr& msg, in_addr_t offender,
                                  std::span<const std::uint8_t> quoted, const icmp::EchoKey& key) {
    if (offender != key.target)
        return std::nullopt;
    for (const cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr;
         c = CMSG_NXTHDR(const_cast<msghdr*>(&msg), const_cast<cmsghdr*>(c))) {
        if (c->cmsg_level != SOL_IP || c->cmsg_type != IP_RECVERR)
            continue;
        sock_extended_err err{};
        std::memcpy(&err, CMSG_DATA(c), sizeof err);
        if (err.ee_origin != SO_EE_ORIGIN_ICMP || !icmp::quotesEcho(quoted, key))
            return std::nullopt;
        return icmp::statusForIcmpError(err.ee_type, err.ee_code);
    }
    return std::nullopt;
}

}  // namespace

EchoTask::EchoTask(system::Fd socket, bool raw, icmp::EchoKey key, Clock::time_point sent,
                   std::chrono::milliseconds timeout, Completion<PingResult> done)
    : socket_(std::move(socket)),
      raw_(raw),
      key_(key),
      sent_(sent),
      timeout_(timeout),
      done_(std::move(done)) {}

std::uint32_t EchoTask::events() const {
    // EPOLLERR comes unasked: a datagram socket's queued ICMP error.
    return EPOLLIN;
}

bool EchoTask::ready(std::uint32_t events) {
    if ((events & EPOLLERR) != 0 && readQueuedErrors())
        return true;
    return readAnswers();
}

bool EchoTask::readQueuedErrors() {
    for (int i = 0; i < kReadsPerWake; ++i) {
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
        const ssize_t n = ::recvmsg(socket_.get(), &msg, MSG_ERRQUEUE | MSG_DONTWAIT);
        if (n < 0)
            break;
        const auto status =
            ourQueuedError(msg, offender.sin_addr.s_addr,
                           std::span(data.data(), static_cast<std::size_t>(n)), key_);
        if (status) {
            finishWith(*status, true);
            return true;
        }
    }
    // The error also stands as the socket's pending error; it was judged above.
    int err = 0;
    socklen_t size = sizeof err;
    ::getsockopt(socket_.get(), SOL_SOCKET, SO_ERROR, &err, &size);
    return false;
}

bool EchoTask::readAnswers() {
    std::array<std::uint8_t, kReceiveBuffer> buffer{};
    for (int i = 0; i < kReadsPerWake; ++i) {
        sockaddr_in from{};
        socklen_t fromSize = sizeof from;
        const ssize_t n = ::recvfrom(socket_.get(), buffer.data(), buffer.size(), MSG_DONTWAIT,
                                     reinterpret_cast<sockaddr*>(&from), &fromSize);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return false;
            // A pending error handed to this read; the error queue says whether it is ours.
            continue;
        }
        const std::span<const std::uint8_t> got(buffer.data(), static_cast<std::size_t>(n));
        const icmp::Answer answer = raw_ ? icmp::classifyRaw(got, key_)
                                         : icmp::classifyDatagram(got, from.sin_addr.s_addr, key_);
        if (answer.kind == icmp::Answer::Kind::NotOurs)
            continue;
        if (answer.kind == icmp::Answer::Kind::Error) {
            finishWith(answer.status, true);
            return true;
        }
        PingResult result{0, roundTripText(Clock::now() - sent_), icmp::dataMatches(answer.data)};
        if (result.dataMatches.value_or(false)) {
            report(std::move(result));
            return true;
        }
        if (!differing_)
            differing_ = std::move(result);
    }
    return false;
}

void EchoTask::report(PingResult result) {
    // Closed first: whoever hears the outcome may count the process's descriptors.
    socket_.reset();
    done_(std::move(result));
}

void EchoTask::finishWith(int status, bool timed) {
    report(PingResult{status, timed ? roundTripText(Clock::now() - sent_) : "0 ms", std::nullopt});
}

void EchoTask::expire() {
    if (differing_) {
        report(std::move(*differing_));
        return;
    }
    finishWith(kPingTimedOut, false);
}

void EchoTask::cancel() {
    finishWith(kPingCancelled, false);
}

}  // namespace zelto::probes
