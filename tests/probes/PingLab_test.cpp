// Ping beyond loopback, each test inside network namespaces of its own (tests/lab).

#include <arpa/inet.h>
#include <linux/capability.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <latch>
#include <thread>

#include <gtest/gtest.h>

#include "lab/Lab.h"
#include "probes/IcmpForge.h"
#include "probes/ProbeLines.h"
#include "probes/RecordingSocketCalls.h"
#include "probes/StopLater.h"
#include "probes/linux/LinuxNetworkServices.h"
#include "system/linux/Fd.h"

namespace zelto::probes {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

enum class Path { Datagram, Raw };

std::string pathName(Path path) {
    return path == Path::Datagram ? "Datagram" : "Raw";
}

/// Opens or closes ICMP datagram sockets for root in this namespace, which picks the path.
void choosePath(Path path) {
    lab::sysctl("net.ipv4.ping_group_range", path == Path::Datagram ? "0 2147483647" : "1 0");
}

struct Timed {
    PingResult result;
    Clock::duration took;
};

Timed timedPing(NetworkServices& net, const std::string& address) {
    const auto start = Clock::now();
    PingResult r = net.ping(address, {});
    return {r, Clock::now() - start};
}

// The lab: this PC 10.200.0.2, the peer 10.200.0.1 as gateway (tests/lab).
struct Outcome {
    const char* name;
    bool defaultRoute;
    const char* peerSetup;  // an `ip` command run in the peer, or ""
    bool peerIgnoresEchoes;
    const char* address;
    int status;
    Clock::duration atLeast, atMost;
};

const Outcome kOutcomes[] = {
    {"GatewayAnswers", true, "", false, "10.200.0.1", 0, 0ms, 200ms},
    {"OnLinkAddressNobodyOwnsTimesOut", true, "", false, "10.200.0.77", kPingTimedOut, 700ms,
     900ms},
    {"HostIgnoringEchoesTimesOut", true, "", true, "10.200.0.1", kPingTimedOut, 700ms, 900ms},
    {"NoRouteFailsAtOnce", false, "", false, "10.99.0.1", kPingNetUnreachable, 0ms, 50ms},
    {"UnreachableAnswerFailsAtOnce", true, "route add unreachable 10.202.0.0/16", false,
     "10.202.0.5", kPingHostUnreachable, 0ms, 200ms},
};

class PingLab : public ::testing::TestWithParam<std::tuple<Outcome, Path>> {};

TEST_P(PingLab, EndsAsTheNetworkSaysOnEitherPath) {
    const Outcome c = std::get<0>(GetParam());
    const Path path = std::get<1>(GetParam());
    lab::inFreshNetns([c, path] {
        lab::GatewayLab lab(c.defaultRoute);
        if (*c.peerSetup)
            lab.peer().ip(c.peerSetup);
        if (c.peerIgnoresEchoes)
            lab.peer().sysctl("net.ipv4.icmp_echo_ignore_all", "1");
        choosePath(path);
        test::RecordingSocketCalls calls;
        LinuxNetworkServices::Options o;
        o.calls = &calls;
        LinuxNetworkServices net(o);
        const Timed t = timedPing(net, c.address);
        EXPECT_EQ(t.result.status, c.status);
        EXPECT_GE(t.took, c.atLeast);
        EXPECT_LE(t.took, c.atMost);
        const std::string line = pingedLine(c.address, t.result);
        if (c.status == 0) {
            EXPECT_EQ(line.rfind("            Successfully pinged 10.200.0.1 in ", 0), 0u);
            const std::pair<int, int> socket{path == Path::Datagram ? SOCK_DGRAM : SOCK_RAW,
                                             IPPROTO_ICMP};
            EXPECT_EQ(calls.opened(), (std::vector<std::pair<int, int>>{socket}));
        } else {
            EXPECT_EQ(line, std::string("!!!!!!!!!!! Ping failed for ") + c.address);
        }
    });
}

INSTANTIATE_TEST_SUITE_P(Outcomes, PingLab,
                         ::testing::Combine(::testing::ValuesIn(kOutcomes),
                                            ::testing::Values(Path::Datagram, Path::Raw)),
                         [](const auto& p) {
                             return std::get<0>(p.param).name + pathName(std::get<1>(p.param));
                         });

class PingLabPath : public ::testing::TestWithParam<Path> {};

TEST_P(PingLabPath, AStopEndsTheWaitWithin50ms) {
    const Path path = GetParam();
    lab::inFreshNetns([path] {
        lab::GatewayLab lab;
        choosePath(path);
        LinuxNetworkServices net;
        std::stop_source stop;
        test::StopLater stopper(stop, 100ms);
        const PingResult r = net.ping("10.200.0.77", stop.get_token());
        EXPECT_LT(stopper.latencyUntil(Clock::now()), 50ms);
        EXPECT_EQ(r.status, kPingCancelled);
    });
}

// The odd addresses live on the peer, the even ones vanish in a blackhole, and sixteen more
// echoes go to the one host 10.210.0.1: with 48 echoes in flight on the one probe loop, no
// answer may land on the wrong one.
TEST_P(PingLabPath, ManyEchoesAtOnceEachGetTheirOwnAnswer) {
    const Path path = GetParam();
    lab::inFreshNetns([path] {
        lab::GatewayLab lab;
        for (int n = 1; n <= 32; ++n) {
            const std::string a = "10.210.0." + std::to_string(n) + "/32";
            lab.peer().ip(n % 2 == 1 ? "addr add " + a + " dev lo" : "route add blackhole " + a);
        }
        choosePath(path);
        std::vector<PingResult> results(49);
        std::latch answered(48);
        // Goes first, its loop thread with it, so no receiver outlives what it writes to.
        LinuxNetworkServices net;
        for (int n = 1; n <= 48; ++n) {
            const int host = n <= 32 ? n : 1;
            net.startPing("10.210.0." + std::to_string(host), {}, [&, n](PingResult r) {
                results[n] = std::move(r);
                answered.count_down();
            });
        }
        answered.wait();
        for (int n = 1; n <= 48; ++n) {
            const bool answers = n > 32 || n % 2 == 1;
            EXPECT_EQ(results[n].status, answers ? 0 : kPingTimedOut) << n;
            EXPECT_EQ(pingPassed(results[n]), answers) << n;
        }
    });
}

INSTANTIATE_TEST_SUITE_P(Paths, PingLabPath, ::testing::Values(Path::Datagram, Path::Raw),
                         [](const auto& p) { return pathName(p.param); });

TEST(PingLabSockets, WithoutEitherSocketThePingIs11050AndSaysWhyOnce) {
    lab::inFreshNetns([] {
        lab::sysctl("net.ipv4.ping_group_range", "1 0");
        lab::dropCapability(CAP_NET_RAW);
        std::vector<std::string> reports;
        LinuxNetworkServices::Options o;
        o.reportNoSocket = [&](const std::string& s) { reports.push_back(s); };
        LinuxNetworkServices net(o);
        EXPECT_EQ(net.ping("127.0.0.1", {}).status, kPingNoSocket);
        EXPECT_EQ(net.ping("127.0.0.1", {}).status, kPingNoSocket);
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_NE(reports[0].find("ping_group_range (1 0)"), std::string::npos) << reports[0];
        EXPECT_NE(reports[0].find("lacks CAP_NET_RAW"), std::string::npos) << reports[0];
    });
}

// Answers the probe never asked for, written by a raw socket of the test while the probe
// waits for 127.0.0.7, which ignores echoes. Only the genuine ones may end the wait.
constexpr const char* kSilent = "127.0.0.7";

/// The probe's echo request as the test saw it: its source, identifier and sequence.
struct Seen {
    in_addr_t us;
    std::uint16_t id, seq;
};

using Forge = std::function<std::vector<std::uint8_t>(const Seen&)>;

std::vector<std::uint8_t> replyFrom(const char* from, const Seen& s, std::uint16_t id,
                                    std::uint16_t seq, const char* data = "Hello World") {
    return forge::ipPacket(forge::addr(from), s.us,
                           forge::icmpMessage(ICMP_ECHOREPLY, 0, id, seq, data));
}

std::vector<std::uint8_t> unreachableFor(const Seen& s, std::uint16_t id, std::uint16_t seq) {
    using namespace forge;
    const auto quoted =
        ipPacket(s.us, addr(kSilent), icmpMessage(ICMP_ECHO, 0, id, seq, "Hello World"));
    return ipPacket(addr(kSilent), s.us, icmpError(ICMP_DEST_UNREACH, ICMP_HOST_UNREACH, quoted));
}

/// Waits for the probe's echo request to kSilent, then sends the forged answer to its source.
void injectAnswer(const Forge& forged, std::latch& ready, std::atomic<bool>& injected) {
    const system::Fd sniff(::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP));
    const system::Fd sender(::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_RAW));
    ready.count_down();
    ASSERT_TRUE(sniff.valid() && sender.valid());
    std::optional<Seen> seen;
    for (const auto deadline = Clock::now() + 2s; !seen && Clock::now() < deadline;) {
        pollfd p{sniff.get(), POLLIN, 0};
        std::uint8_t b[1500];
        if (::poll(&p, 1, 100) <= 0 || ::recv(sniff.get(), b, sizeof b, 0) < 28)
            continue;
        const std::size_t ihl = static_cast<std::size_t>(b[0] & 0x0Fu) * 4;
        in_addr_t dst, us;
        std::memcpy(&dst, &b[16], 4);
        std::memcpy(&us, &b[12], 4);
        if (dst == forge::addr(kSilent) && b[ihl] == ICMP_ECHO)
            seen = Seen{us, static_cast<std::uint16_t>((b[ihl + 4] << 8) | b[ihl + 5]),
                        static_cast<std::uint16_t>((b[ihl + 6] << 8) | b[ihl + 7])};
    }
    ASSERT_TRUE(seen) << "the probe's echo request never showed";
    const auto packet = forged(*seen);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = seen->us;
    ASSERT_EQ(::sendto(sender.get(), packet.data(), packet.size(), 0,
                       reinterpret_cast<const sockaddr*>(&to), sizeof to),
              static_cast<ssize_t>(packet.size()));
    injected = true;
}

struct ForgedCase {
    const char* name;
    Forge forge;
    int status;
    std::optional<bool> dataMatches;
    bool quick;  // ends the wait at once instead of after the full 800 ms
};

std::uint16_t other(std::uint16_t id) {
    return static_cast<std::uint16_t>(id ^ 0x0101);
}

std::vector<ForgedCase> forgedCases() {
    return {
        {"WrongIdentifier", [](const Seen& s) { return replyFrom(kSilent, s, other(s.id), s.seq); },
         kPingTimedOut, std::nullopt, false},
        {"WrongSequence",
         [](const Seen& s) {
             return replyFrom(kSilent, s, s.id, static_cast<std::uint16_t>(s.seq + 1));
         },
         kPingTimedOut, std::nullopt, false},
        {"WrongSource", [](const Seen& s) { return replyFrom("127.0.0.8", s, s.id, s.seq); },
         kPingTimedOut, std::nullopt, false},
        // Other data fails the item, but only once the true reply has had its 800 ms to come.
        {"WrongPayload",
         [](const Seen& s) { return replyFrom(kSilent, s, s.id, s.seq, "Hello Wordl"); }, 0, false,
         false},
        {"StrayUnreachable", [](const Seen& s) { return unreachableFor(s, other(s.id), s.seq); },
         kPingTimedOut, std::nullopt, false},
        // Our identifier is not enough: an earlier echo of the same identifier may be quoted.
        {"UnreachableForAnotherSequence",
         [](const Seen& s) { return unreachableFor(s, s.id, other(s.seq)); }, kPingTimedOut,
         std::nullopt, false},
        {"GenuineReply", [](const Seen& s) { return replyFrom(kSilent, s, s.id, s.seq); }, 0, true,
         true},
        {"GenuineUnreachable", [](const Seen& s) { return unreachableFor(s, s.id, s.seq); },
         kPingHostUnreachable, std::nullopt, true},
    };
}

class ForeignAnswers : public ::testing::TestWithParam<std::tuple<ForgedCase, Path>> {};

TEST_P(ForeignAnswers, OnlyGenuineAnswersEndThePing) {
    const ForgedCase& c = std::get<0>(GetParam());
    const Path path = std::get<1>(GetParam());
    lab::inFreshNetns([&c, path] {
        lab::sysctl("net.ipv4.icmp_echo_ignore_all", "1");
        choosePath(path);
        LinuxNetworkServices net;
        std::latch ready(1);
        std::atomic<bool> injected{false};
        Timed t;
        {
            std::jthread injector([&] { injectAnswer(c.forge, ready, injected); });
            ready.wait();
            t = timedPing(net, kSilent);
        }
        ASSERT_TRUE(injected);
        EXPECT_EQ(t.result.status, c.status);
        if (c.status == 0) {
            EXPECT_EQ(t.result.dataMatches, c.dataMatches);
        }
        EXPECT_EQ(pingPassed(t.result), c.dataMatches == true);
        if (c.quick) {
            EXPECT_LT(t.took, 500ms);
        } else {
            EXPECT_GE(t.took, 700ms);
        }
    });
}

INSTANTIATE_TEST_SUITE_P(Injected, ForeignAnswers,
                         ::testing::Combine(::testing::ValuesIn(forgedCases()),
                                            ::testing::Values(Path::Datagram, Path::Raw)),
                         [](const auto& p) {
                             return pathName(std::get<1>(p.param)) + std::get<0>(p.param).name;
                         });

}  // namespace
}  // namespace zelto::probes
