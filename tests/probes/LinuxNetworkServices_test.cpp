// The probes against the real kernel on loopback only: nothing here leaves the machine. Paths
// beyond loopback are tested in the *Lab_test files, inside namespaces of their own.

#include "probes/linux/LinuxNetworkServices.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <mutex>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "lab/Lab.h"
#include "probes/ProbeLines.h"
#include "probes/RecordingSocketCalls.h"
#include "probes/linux/Fd.h"

namespace zelto::probes {
namespace {

using std::chrono::milliseconds;
using test::RecordingSocketCalls;
using Clock = std::chrono::steady_clock;

bool canOpen(int type) {
    const Fd fd(::socket(AF_INET, type | SOCK_CLOEXEC, IPPROTO_ICMP));
    return fd.valid();
}

#define REQUIRE_ICMP(type)                                                             \
    do {                                                                               \
        if (!canOpen(type)) {                                                          \
            if (lab::inCi())                                                           \
                FAIL() << "CI runs as root and must be able to open this ICMP socket"; \
            GTEST_SKIP() << "No permission for this ICMP socket here (needs "          \
                            "net.ipv4.ping_group_range or CAP_NET_RAW)";               \
        }                                                                              \
    } while (false)

/// Collects what the services report when no ICMP socket opens.
struct Reports {
    std::mutex mutex;
    std::vector<std::string> lines;
    std::function<void(const std::string&)> sink() {
        return [this](const std::string& s) {
            std::lock_guard lock(mutex);
            lines.push_back(s);
        };
    }
};

LinuxNetworkServices::Options with(RecordingSocketCalls& calls, Reports& reports) {
    LinuxNetworkServices::Options o;
    o.calls = &calls;
    o.reportNoSocket = reports.sink();
    return o;
}

TEST(LoopbackPing, AnswersWithinTheSameMillisecond) {
    if (!canOpen(SOCK_DGRAM)) {
        REQUIRE_ICMP(SOCK_RAW);
    }
    LinuxNetworkServices net;
    // The kernel answers in microseconds; a few tries keep a busy machine's scheduling delay
    // from turning one of them into "1 ms".
    std::vector<std::string> lines;
    for (int i = 0; i < 5; ++i) {
        const PingResult r = net.ping("127.0.0.1", {});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.dataMatches, std::optional<bool>(true));
        lines.push_back(pingedLine("127.0.0.1", r));
    }
    EXPECT_THAT(lines, ::testing::Contains("            Successfully pinged 127.0.0.1 in 0 ms"));
}

TEST(LoopbackPing, FallsBackToARawSocketWhenDatagramSocketsAreRefused) {
    REQUIRE_ICMP(SOCK_RAW);
    for (const int refusal : {EACCES, EPERM, EPROTONOSUPPORT, EAFNOSUPPORT}) {
        RecordingSocketCalls calls;
        Reports reports;
        calls.refuseSocket(SOCK_DGRAM, IPPROTO_ICMP, refusal);
        LinuxNetworkServices net(with(calls, reports));
        const PingResult r = net.ping("127.0.0.1", {});
        EXPECT_EQ(r.status, 0) << refusal;
        EXPECT_EQ(r.dataMatches, std::optional<bool>(true));
        EXPECT_EQ(calls.opened(), (std::vector<std::pair<int, int>>{{SOCK_RAW, IPPROTO_ICMP}}));
        EXPECT_TRUE(reports.lines.empty());
    }
}

TEST(LoopbackPing, WithNeitherSocketItIs11050AndSaysWhyOnce) {
    RecordingSocketCalls calls;
    Reports reports;
    calls.refuseSocket(SOCK_DGRAM, IPPROTO_ICMP, EACCES);
    calls.refuseSocket(SOCK_RAW, IPPROTO_ICMP, EPERM);
    LinuxNetworkServices net(with(calls, reports));
    for (int i = 0; i < 3; ++i) {
        const PingResult r = net.ping("127.0.0.1", {});
        EXPECT_EQ(r.status, kPingNoSocket);
        EXPECT_EQ(r.dataMatches, std::nullopt);
    }
    ASSERT_EQ(reports.lines.size(), 1u);
    EXPECT_NE(reports.lines[0].find("net.ipv4.ping_group_range"), std::string::npos)
        << reports.lines[0];
    EXPECT_NE(reports.lines[0].find("CAP_NET_RAW"), std::string::npos) << reports.lines[0];
}

TEST(LoopbackPing, AnUnexpectedSocketErrorIsNotTriedAgainRaw) {
    RecordingSocketCalls calls;
    Reports reports;
    calls.refuseSocket(SOCK_DGRAM, IPPROTO_ICMP, EMFILE);
    LinuxNetworkServices net(with(calls, reports));
    EXPECT_EQ(net.ping("127.0.0.1", {}).status, kPingNoSocket);
    EXPECT_TRUE(calls.opened().empty());
    EXPECT_TRUE(reports.lines.empty());
}

struct SendCase {
    int err;
    int status;
};

class LoopbackSendError : public ::testing::TestWithParam<SendCase> {};

TEST_P(LoopbackSendError, EndsThePingAtOnce) {
    if (!canOpen(SOCK_DGRAM)) {
        REQUIRE_ICMP(SOCK_RAW);
    }
    RecordingSocketCalls calls;
    Reports reports;
    calls.failSendto(GetParam().err);
    LinuxNetworkServices net(with(calls, reports));
    const auto start = Clock::now();
    EXPECT_EQ(net.ping("127.0.0.1", {}).status, GetParam().status);
    EXPECT_LT(Clock::now() - start, milliseconds(100));
}

INSTANTIATE_TEST_SUITE_P(Errors, LoopbackSendError,
                         ::testing::Values(SendCase{ENETUNREACH, kPingNetUnreachable},
                                           SendCase{EHOSTUNREACH, kPingHostUnreachable},
                                           SendCase{EPERM, kPingNoSocket},
                                           SendCase{EINVAL, kPingNoSocket}));

TEST(LoopbackPing, NeedsADottedAddressAndAnOpenStop) {
    RecordingSocketCalls calls;
    Reports reports;
    LinuxNetworkServices net(with(calls, reports));
    EXPECT_EQ(net.ping("not-an-address", {}).status, kPingBadDestination);
    std::stop_source stop;
    stop.request_stop();
    EXPECT_EQ(net.ping("127.0.0.1", stop.get_token()).status, kPingCancelled);
    EXPECT_TRUE(calls.opened().empty());
}

/// A TCP socket on 127.0.0.1 with a port of its own, listening or not.
struct LoopbackPort {
    Fd fd;
    int port = 0;
    explicit LoopbackPort(bool listening) : fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        EXPECT_EQ(::bind(fd.get(), reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        if (listening) {
            EXPECT_EQ(::listen(fd.get(), 16), 0);
        }
        EXPECT_EQ(::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&a), &size), 0);
        port = ntohs(a.sin_port);
    }
};

TEST(LoopbackConnect, AListeningPortConnects) {
    const LoopbackPort listener(true);
    LinuxNetworkServices net;
    EXPECT_EQ(net.connect("127.0.0.1", listener.port, {}), ConnectResult::Connected);
    EXPECT_EQ(connectSuccessLine("127.0.0.1", listener.port),
              "            Successfully connected to 127.0.0.1:" + std::to_string(listener.port));
}

TEST(LoopbackConnect, AClosedPortFailsAtOnceWithTheFailureLine) {
    // Bound but not listening: the port is ours, so no one else can open it meanwhile.
    const LoopbackPort closed(false);
    LinuxNetworkServices net;
    const auto start = Clock::now();
    EXPECT_EQ(net.connect("127.0.0.1", closed.port, {}), ConnectResult::Failed);
    EXPECT_LT(Clock::now() - start, milliseconds(100));
    EXPECT_EQ(connectFailureLine("127.0.0.1", closed.port),
              "!!!!!!!!!!!  Failed to connect to 127.0.0.1:" + std::to_string(closed.port));
}

TEST(LoopbackConnect, InvalidTargetsAndRefusedSocketsFailWithoutTrying) {
    RecordingSocketCalls calls;
    Reports reports;
    LinuxNetworkServices net(with(calls, reports));
    EXPECT_EQ(net.connect("127.0.0.1", 0, {}), ConnectResult::Failed);
    EXPECT_EQ(net.connect("127.0.0.1", 65536, {}), ConnectResult::Failed);
    EXPECT_EQ(net.connect("no address", 80, {}), ConnectResult::Failed);
    std::stop_source stop;
    stop.request_stop();
    EXPECT_EQ(net.connect("127.0.0.1", 80, stop.get_token()), ConnectResult::Cancelled);
    EXPECT_TRUE(calls.opened().empty());

    calls.refuseSocket(SOCK_STREAM, 0, EMFILE);
    const LoopbackPort listener(true);
    EXPECT_EQ(net.connect("127.0.0.1", listener.port, {}), ConnectResult::Failed);
}

struct LookupCase {
    std::string name;
    std::string address;
};

class LoopbackLookup : public ::testing::TestWithParam<LookupCase> {};

// Only names /etc/hosts or the text itself answers: no query may reach a real name server.
TEST_P(LoopbackLookup, AnswersWithoutAResolver) {
    LinuxNetworkServices net;
    EXPECT_EQ(net.getIPFromHostName(GetParam().name, {}), GetParam().address);
    std::stop_source stop;
    EXPECT_EQ(net.getIPFromHostName(GetParam().name, stop.get_token()), GetParam().address);
}

INSTANTIATE_TEST_SUITE_P(Names, LoopbackLookup,
                         ::testing::Values(LookupCase{"localhost", "127.0.0.1"},
                                           LookupCase{"  localhost   ", "127.0.0.1"},
                                           LookupCase{"10.1.2.3", "10.1.2.3"},
                                           LookupCase{" 192.168.0.5 ", "192.168.0.5"},
                                           LookupCase{"", ""}, LookupCase{"   ", ""}));

}  // namespace
}  // namespace zelto::probes
