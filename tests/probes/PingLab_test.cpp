// Ping against the real kernel, each body inside network namespaces of its own (tests/lab):
// loopback, a peer that plays the gateway, and answers forged by a raw socket of the test. Each
// runs once on an ICMP datagram socket and once on a raw one.

#include <netinet/ip_icmp.h>
#include <unistd.h>

#include <latch>

#include <gtest/gtest.h>

#include "lab/Lab.h"
#include "probes/IcmpForge.h"
#include "probes/ProbeLines.h"
#include "probes/RecordingSocketCalls.h"
#include "probes/StopLatency.h"
#include "probes/linux/LinuxNetworkServices.h"
#include "system/linux/Fd.h"

namespace zelto::probes {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Sockets = std::vector<std::pair<int, int>>;

/// Runs `body` in a fresh namespace twice: ICMP datagram sockets open for root, then not.
void onEitherPath(const std::function<void(bool datagram)>& body) {
    for (const bool datagram : {true, false}) {
        SCOPED_TRACE(datagram ? "datagram socket" : "raw socket");
        lab::inFreshNetns([&] {
            lab::sysctl("net.ipv4.ping_group_range", datagram ? "0 2147483647" : "1 0");
            body(datagram);
        });
    }
}

TEST(PingLab, OnLoopbackAnswersInTheSameMillisecondAndFallsBackToARawSocket) {
    lab::inFreshNetns([] {
        lab::sysctl("net.ipv4.ping_group_range", "0 2147483647");
        LinuxNetworkServices plain;
        bool sameMillisecond = false;  // of a few tries, on a busy machine
        for (int i = 0; i < 5; ++i) {
            const PingResult r = plain.ping("127.0.0.1", {});
            EXPECT_TRUE(pingPassed(r)) << r.status;
            sameMillisecond = sameMillisecond || r.roundTrip == "0 ms";
        }
        EXPECT_TRUE(sameMillisecond);
        // A refused datagram socket falls back to a raw one without a word; an unexpected error
        // does not try again.
        for (const int refused : {EACCES, EPERM, EPROTONOSUPPORT, EAFNOSUPPORT, EMFILE}) {
            test::RecordingSocketCalls calls;
            calls.refusedType = SOCK_DGRAM;
            calls.refusedError = refused;
            std::vector<std::string> reports;
            LinuxNetworkServices net(
                {.calls = &calls, .reportNoSocket = [&](auto s) { reports.push_back(s); }});
            const bool fallsBack = refused != EMFILE;
            EXPECT_EQ(net.ping("127.0.0.1", {}).status, fallsBack ? 0 : kPingNoSocket) << refused;
            EXPECT_EQ(calls.opened, (fallsBack ? Sockets{{SOCK_RAW, IPPROTO_ICMP}} : Sockets{}));
            EXPECT_TRUE(reports.empty());
        }
    });
}

TEST(PingLab, WithoutEitherSocketThePingIs11050AndSaysWhyOnce) {
    lab::inFreshNetns([] {
        lab::sysctl("net.ipv4.ping_group_range", "1 0");
        ASSERT_EQ(::setuid(65534), 0);  // nobody, as an unprivileged user runs it
        std::vector<std::string> reports;
        LinuxNetworkServices net({.reportNoSocket = [&](auto s) { reports.push_back(s); }});
        EXPECT_EQ(net.ping("127.0.0.1", {}).status, kPingNoSocket);
        EXPECT_EQ(net.ping("127.0.0.1", {}).status, kPingNoSocket);
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_NE(reports[0].find("ping_group_range (1 0)"), std::string::npos) << reports[0];
        EXPECT_NE(reports[0].find("lacks CAP_NET_RAW"), std::string::npos) << reports[0];
    });
}

// The lab: this PC 10.200.0.2, the peer 10.200.0.1 as gateway; no route to 10.99.0.0/16, and
// the peer answers "unreachable" for 10.202.0.0/16.
TEST(PingLab, EndsAsTheNetworkSaysAndAStopEndsTheWaitWithin50ms) {
    const struct {
        const char* address;
        int status;
        std::chrono::milliseconds atLeast, atMost;
    } cases[] = {
        {"10.200.0.1", 0, 0ms, 200ms},
        {"10.200.0.77", kPingTimedOut, 700ms, 900ms},  // an address nobody owns
        {"10.99.0.1", kPingNetUnreachable, 0ms, 50ms},
        {"10.202.0.5", kPingHostUnreachable, 0ms, 200ms},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        onEitherPath([&](bool datagram) {
            const lab::GatewayLab lab;
            lab::ip("route add throw 10.99.0.0/16");
            lab.peer().ip("route add unreachable 10.202.0.0/16");
            test::RecordingSocketCalls calls;
            LinuxNetworkServices net({.calls = &calls, .reportNoSocket = {}});
            const auto start = Clock::now();
            const PingResult r = net.ping(c.address, {});
            const auto took = Clock::now() - start;
            EXPECT_EQ(r.status, c.status);
            EXPECT_EQ(pingPassed(r), c.status == 0);
            EXPECT_GE(took, c.atLeast);
            EXPECT_LE(took, c.atMost);
            EXPECT_EQ(calls.opened, (Sockets{{datagram ? SOCK_DGRAM : SOCK_RAW, IPPROTO_ICMP}}));
            if (c.status == kPingTimedOut) {
                EXPECT_LT(test::stopLatency([&](std::stop_token stop) {
                              EXPECT_EQ(net.ping(c.address, stop).status, kPingCancelled);
                          }),
                          50ms);
            }
        });
    }
}

// The odd addresses live on the peer, the even ones vanish in a blackhole, and sixteen more
// echoes go to the one host 10.210.0.1: with 48 echoes in flight on the one probe loop, no
// answer may land on the wrong one.
TEST(PingLab, ManyEchoesAtOnceEachGetTheirOwnAnswer) {
    onEitherPath([](bool) {
        const lab::GatewayLab lab;
        for (int n = 1; n <= 32; ++n) {
            const std::string a = "10.210.0." + std::to_string(n) + "/32";
            lab.peer().ip(n % 2 == 1 ? "addr add " + a + " dev lo" : "route add blackhole " + a);
        }
        std::vector<PingResult> results(49);
        std::latch answered(48);
        // Goes first, its loop thread with it, so no receiver outlives what it writes to.
        LinuxNetworkServices net;
        for (int n = 1; n <= 48; ++n)
            net.startPing("10.210.0." + std::to_string(n <= 32 ? n : 1), {}, [&, n](PingResult r) {
                results[n] = std::move(r);
                answered.count_down();
            });
        answered.wait();
        for (int n = 1; n <= 48; ++n)
            EXPECT_EQ(pingPassed(results[n]), n > 32 || n % 2 == 1) << n << results[n].status;
    });
}

// Answers the probe never asked for, written by a raw socket of the test while the probe
// waits for kSilent, which ignores echoes. Only the genuine ones may end the wait.
constexpr const char* kSilent = "127.0.0.7";

struct Forged {
    const char* name;
    bool unreachable;  // an ICMP error quoting the echo, else an echo reply
    const char* from;
    unsigned idFlip, seqFlip;  // XORed into the echo's identifier and sequence
    const char* data;
    int status;
    bool passes;
    bool quick;  // ends the wait at once instead of after the full 800 ms
};

const Forged kForged[] = {
    {"wrong identifier", false, kSilent, 0x0101, 0, "Hello World", kPingTimedOut, false, false},
    {"wrong sequence", false, kSilent, 0, 0x0101, "Hello World", kPingTimedOut, false, false},
    {"wrong source", false, "127.0.0.8", 0, 0, "Hello World", kPingTimedOut, false, false},
    // Other data fails the item, but only once the true reply has had its 800 ms to come.
    {"wrong payload", false, kSilent, 0, 0, "Hello Wordl", 0, false, false},
    {"stray unreachable", true, kSilent, 0x0101, 0, "", kPingTimedOut, false, false},
    // Our identifier is not enough: an earlier echo of the same identifier may be quoted.
    {"unreachable for another sequence", true, kSilent, 0, 0x0101, "", kPingTimedOut, false, false},
    {"genuine reply", false, kSilent, 0, 0, "Hello World", 0, true, true},
    {"genuine unreachable", true, kSilent, 0, 0, "", kPingHostUnreachable, false, true},
};

/// Answers the probe's echo request, as soon as it has left, with the forged answer `f`.
struct Forger : system::SystemCalls {
    const Forged& f;
    bool datagram;
    system::Fd sender{::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_RAW)};
    bool sent = false;

    Forger(const Forged& forged, bool onDatagram) : f(forged), datagram(onDatagram) {}

    ssize_t sendto(int fd, const void* data, size_t size, int flags, const sockaddr* to,
                   socklen_t toSize) override {
        using namespace forge;
        const ssize_t n = system::SystemCalls::sendto(fd, data, size, flags, to, toSize);
        const auto* echo = static_cast<const std::uint8_t*>(data);
        sockaddr_in us{};
        socklen_t usSize = sizeof us;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&us), &usSize);
        // On a datagram socket the kernel puts its own identifier in: the socket's port.
        const unsigned id = (datagram ? ntohs(us.sin_port) : (echo[4] << 8 | echo[5])) ^ f.idFlip;
        const unsigned seq = (echo[6] << 8 | echo[7]) ^ f.seqFlip;
        us.sin_addr.s_addr = addr("127.0.0.1");
        const auto quoted = ipPacket(us.sin_addr.s_addr, addr(kSilent),
                                     icmpMessage(ICMP_ECHO, id, seq, "Hello World"));
        const auto packet = f.unreachable
                                ? ipPacket(addr(kSilent), us.sin_addr.s_addr,
                                           icmpError(ICMP_DEST_UNREACH, ICMP_HOST_UNREACH, quoted))
                                : ipPacket(addr(f.from), us.sin_addr.s_addr,
                                           icmpMessage(ICMP_ECHOREPLY, id, seq, f.data));
        sent = ::sendto(sender.get(), packet.data(), packet.size(), 0,
                        reinterpret_cast<const sockaddr*>(&us), sizeof us) == std::ssize(packet);
        return n;
    }
};

TEST(PingLab, OnlyGenuineAnswersEndThePing) {
    for (const Forged& f : kForged) {
        SCOPED_TRACE(f.name);
        onEitherPath([&](bool datagram) {
            lab::sysctl("net.ipv4.icmp_echo_ignore_all", "1");
            Forger forger(f, datagram);
            LinuxNetworkServices net({.calls = &forger, .reportNoSocket = {}});
            const auto start = Clock::now();
            const PingResult r = net.ping(kSilent, {});
            const auto took = Clock::now() - start;
            EXPECT_TRUE(forger.sent);
            EXPECT_EQ(r.status, f.status);
            EXPECT_EQ(pingPassed(r), f.passes);
            EXPECT_EQ(took < 500ms, f.quick);
            EXPECT_EQ(took >= 700ms, !f.quick);
        });
    }
}

}  // namespace
}  // namespace zelto::probes
