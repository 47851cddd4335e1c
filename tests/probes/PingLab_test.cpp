// Ping beyond loopback, each test inside network namespaces of its own (tests/lab).

#include <arpa/inet.h>
#include <linux/capability.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <latch>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "lab/Lab.h"
#include "probes/IcmpForge.h"
#include "probes/ProbeLines.h"
#include "probes/RecordingSocketCalls.h"
#include "probes/StopLater.h"
#include "probes/linux/Fd.h"
#include "probes/linux/LinuxNetworkServices.h"

namespace zelto::probes {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::RecordingSocketCalls;

enum class Path { Datagram, Raw };

std::string pathName(const ::testing::TestParamInfo<Path>& info) {
    return info.param == Path::Datagram ? "Datagram" : "Raw";
}

/// Opens or closes ICMP datagram sockets for root in this namespace, which picks the path.
void choosePath(Path path) {
    lab::sysctl("net.ipv4.ping_group_range", path == Path::Datagram ? "0 2147483647" : "1 0");
}

std::pair<int, int> socketOf(Path path) {
    return {path == Path::Datagram ? SOCK_DGRAM : SOCK_RAW, IPPROTO_ICMP};
}

struct Timed {
    PingResult result;
    Clock::duration took;
};

Timed timedPing(NetworkServices& net, const std::string& address, std::stop_token stop = {}) {
    const auto start = Clock::now();
    PingResult r = net.ping(address, std::move(stop));
    return {r, Clock::now() - start};
}

class PingLab : public ::testing::TestWithParam<Path> {};

TEST_P(PingLab, TheGatewayAnswersOnTheChosenPath) {
    const Path path = GetParam();
    lab::inFreshNetns([path] {
        lab::GatewayLab lab;
        choosePath(path);
        RecordingSocketCalls calls;
        LinuxNetworkServices::Options o;
        o.calls = &calls;
        LinuxNetworkServices net(o);
        const PingResult r = net.ping(lab::GatewayLab::kGateway, {});
        EXPECT_TRUE(pingPassed(r)) << r.status;
        EXPECT_EQ(pingedLine(lab::GatewayLab::kGateway, r)
                      .rfind("            Successfully pinged 10.200.0.1 in ", 0),
                  0u);
        EXPECT_EQ(calls.opened(), (std::vector<std::pair<int, int>>{socketOf(path)}));
    });
}

TEST_P(PingLab, AnOnLinkAddressNobodyOwnsTimesOutAfter800ms) {
    const Path path = GetParam();
    lab::inFreshNetns([path] {
        lab::GatewayLab lab;
        choosePath(path);
        LinuxNetworkServices net;
        const Timed t = timedPing(net, "10.200.0.77");
        EXPECT_EQ(t.result.status, kPingTimedOut);
        EXPECT_GE(t.took, 700ms);
        EXPECT_LE(t.took, 900ms);
        EXPECT_EQ(pingedLine("10.200.0.77", t.result), "!!!!!!!!!!! Ping failed for 10.200.0.77");
    });
}

TEST_P(PingLab, AHostThatIgnoresEchoesTimesOut) {
    const Path path = GetParam();
    lab::inFreshNetns([path] {
        lab::GatewayLab lab;
        lab.peer().sysctl("net.ipv4.icmp_echo_ignore_all", "1");
        choosePath(path);
        LinuxNetworkServices net;
        const Timed t = timedPing(net, lab::GatewayLab::kGateway);
        EXPECT_EQ(t.result.status, kPingTimedOut);
        EXPECT_GE(t.took, 700ms);
        EXPECT_LE(t.took, 900ms);
    });
}

TEST_P(PingLab, AnAddressWithoutARouteFailsAtOnce) {
    const Path path = GetParam();
    lab::inFreshNetns([path] {
        lab::GatewayLab lab(false);
        choosePath(path);
        LinuxNetworkServices net;
        const Timed t = timedPing(net, "10.99.0.1");
        EXPECT_EQ(t.result.status, kPingNetUnreachable);
        EXPECT_LT(t.took, 50ms);
    });
}

TEST_P(PingLab, ADestinationUnreachableAnswerFailsAtOnce) {
    const Path path = GetParam();
    lab::inFreshNetns([path] {
        lab::GatewayLab lab;
        lab.peer().ip("route add unreachable 10.202.0.0/16");
        choosePath(path);
        LinuxNetworkServices net;
        const Timed t = timedPing(net, "10.202.0.5");
        EXPECT_EQ(t.result.status, kPingHostUnreachable);
        EXPECT_LT(t.took, 200ms);
    });
}

TEST_P(PingLab, AStopEndsTheWaitWithin50ms) {
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

// Each address gets its own answer: the odd ones live on the peer, the even ones vanish in a
// blackhole, and with 32 sockets listening at once no reply may land on the wrong one.
TEST_P(PingLab, ThirtyTwoPingsAtOnceEachGetTheirOwnAnswer) {
    const Path path = GetParam();
    lab::inFreshNetns([path] {
        lab::GatewayLab lab;
        for (int n = 1; n <= 32; ++n) {
            const std::string a = "10.210.0." + std::to_string(n) + "/32";
            lab.peer().ip(n % 2 == 1 ? "addr add " + a + " dev lo" : "route add blackhole " + a);
        }
        choosePath(path);
        LinuxNetworkServices net;
        std::vector<PingResult> results(33);
        {
            std::latch start(32);
            std::vector<std::jthread> pings;
            for (int n = 1; n <= 32; ++n) {
                pings.emplace_back([&, n] {
                    start.arrive_and_wait();
                    results[n] = net.ping("10.210.0." + std::to_string(n), {});
                });
            }
        }
        for (int n = 1; n <= 32; ++n) {
            if (n % 2 == 1) {
                EXPECT_TRUE(pingPassed(results[n])) << n << ": " << results[n].status;
            } else {
                EXPECT_EQ(results[n].status, kPingTimedOut) << n;
            }
        }
    });
}

INSTANTIATE_TEST_SUITE_P(Paths, PingLab, ::testing::Values(Path::Datagram, Path::Raw), pathName);

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
enum class Forged {
    WrongIdentifier,
    WrongSequence,
    WrongSource,
    WrongPayload,
    EchoRequest,
    StrayUnreachable,
    GenuineReply,
    GenuineUnreachable
};

struct ForgedCase {
    const char* name;
    Forged forged;
    Path path;
};

constexpr const char* kSilent = "127.0.0.7";

/// Waits for the probe's echo request to kSilent, then sends the forged answer to its source.
void injectAnswer(Forged forged, std::latch& ready, std::atomic<bool>& injected) {
    using namespace forge;
    const Fd sniff(::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP));
    const Fd sender(::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_RAW));
    ready.count_down();
    ASSERT_TRUE(sniff.valid() && sender.valid());
    const in_addr_t silent = addr(kSilent);
    std::vector<std::uint8_t> request;
    const auto deadline = Clock::now() + 2s;
    while (request.empty() && Clock::now() < deadline) {
        pollfd p{sniff.get(), POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        std::vector<std::uint8_t> buffer(1500);
        const ssize_t n = ::recv(sniff.get(), buffer.data(), buffer.size(), 0);
        if (n < 28)
            continue;
        buffer.resize(static_cast<std::size_t>(n));
        const std::size_t ihl = static_cast<std::size_t>(buffer[0] & 0x0Fu) * 4;
        in_addr_t dst;
        std::memcpy(&dst, &buffer[16], 4);
        if (dst == silent && buffer[ihl] == ICMP_ECHO)
            request = buffer;
    }
    ASSERT_FALSE(request.empty()) << "the probe's echo request never showed";
    const std::size_t ihl = static_cast<std::size_t>(request[0] & 0x0Fu) * 4;
    in_addr_t us;
    std::memcpy(&us, &request[12], 4);
    const auto id = static_cast<std::uint16_t>((request[ihl + 4] << 8) | request[ihl + 5]);
    const auto seq = static_cast<std::uint16_t>((request[ihl + 6] << 8) | request[ihl + 7]);
    const std::string payload = "Hello World";

    auto reply = [&](in_addr_t from, std::uint16_t i, std::uint16_t s, const std::string& data,
                     std::uint8_t type = ICMP_ECHOREPLY) {
        return ipPacket(from, us, icmpMessage(type, 0, i, s, data));
    };
    auto unreachable = [&](std::uint16_t i) {
        const auto quoted = ipPacket(us, silent, icmpMessage(ICMP_ECHO, 0, i, seq, payload));
        return ipPacket(silent, us, icmpError(ICMP_DEST_UNREACH, ICMP_HOST_UNREACH, quoted));
    };
    const auto otherId = static_cast<std::uint16_t>(id ^ 0x0101);
    std::vector<std::uint8_t> packet;
    switch (forged) {
        case Forged::WrongIdentifier:
            packet = reply(silent, otherId, seq, payload);
            break;
        case Forged::WrongSequence:
            packet = reply(silent, id, static_cast<std::uint16_t>(seq + 1), payload);
            break;
        case Forged::WrongSource:
            packet = reply(addr("127.0.0.8"), id, seq, payload);
            break;
        case Forged::WrongPayload:
            packet = reply(silent, id, seq, "Hello Wordl");
            break;
        case Forged::EchoRequest:
            packet = reply(silent, id, seq, payload, ICMP_ECHO);
            break;
        case Forged::StrayUnreachable:
            packet = unreachable(otherId);
            break;
        case Forged::GenuineReply:
            packet = reply(silent, id, seq, payload);
            break;
        case Forged::GenuineUnreachable:
            packet = unreachable(id);
            break;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = us;
    ASSERT_EQ(::sendto(sender.get(), packet.data(), packet.size(), 0,
                       reinterpret_cast<const sockaddr*>(&to), sizeof to),
              static_cast<ssize_t>(packet.size()));
    injected = true;
}

class ForeignAnswers : public ::testing::TestWithParam<ForgedCase> {};

TEST_P(ForeignAnswers, OnlyGenuineAnswersEndThePing) {
    const ForgedCase c = GetParam();
    lab::inFreshNetns([c] {
        lab::sysctl("net.ipv4.icmp_echo_ignore_all", "1");
        choosePath(c.path);
        LinuxNetworkServices net;
        std::latch ready(1);
        std::atomic<bool> injected{false};
        Timed t;
        {
            std::jthread injector([&] { injectAnswer(c.forged, ready, injected); });
            ready.wait();
            t = timedPing(net, kSilent);
        }
        ASSERT_TRUE(injected);
        switch (c.forged) {
            case Forged::GenuineReply:
                EXPECT_TRUE(pingPassed(t.result)) << t.result.status;
                EXPECT_LT(t.took, 500ms);
                break;
            case Forged::GenuineUnreachable:
                EXPECT_EQ(t.result.status, kPingHostUnreachable);
                EXPECT_LT(t.took, 500ms);
                break;
            case Forged::WrongPayload:
                // A reply with other data fails the item, but only once the true reply has
                // had its 800 ms to come.
                EXPECT_FALSE(pingPassed(t.result));
                EXPECT_EQ(t.result.status, 0);
                EXPECT_EQ(t.result.dataMatches, std::optional<bool>(false));
                EXPECT_GE(t.took, 700ms);
                break;
            default:
                EXPECT_EQ(t.result.status, kPingTimedOut);
                EXPECT_GE(t.took, 700ms);
                break;
        }
    });
}

std::vector<ForgedCase> forgedCases() {
    const std::pair<const char*, Forged> kinds[] = {
        {"WrongIdentifier", Forged::WrongIdentifier},
        {"WrongSequence", Forged::WrongSequence},
        {"WrongSource", Forged::WrongSource},
        {"WrongPayload", Forged::WrongPayload},
        {"EchoRequest", Forged::EchoRequest},
        {"StrayUnreachable", Forged::StrayUnreachable},
        {"GenuineReply", Forged::GenuineReply},
        {"GenuineUnreachable", Forged::GenuineUnreachable}};
    std::vector<ForgedCase> cases;
    for (const Path path : {Path::Datagram, Path::Raw})
        for (const auto& [name, forged] : kinds)
            cases.push_back({name, forged, path});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(
    Injected, ForeignAnswers, ::testing::ValuesIn(forgedCases()), [](const auto& p) {
        return std::string(p.param.path == Path::Datagram ? "Datagram" : "Raw") + p.param.name;
    });

}  // namespace
}  // namespace zelto::probes
