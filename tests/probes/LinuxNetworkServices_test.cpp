// The probes against the real kernel on loopback only: nothing here leaves the machine. Paths
// beyond loopback are tested in the *Lab_test files, inside namespaces of their own.

#include "probes/linux/LinuxNetworkServices.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <mutex>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "lab/Lab.h"
#include "probes/ProbeLines.h"
#include "probes/RecordingSocketCalls.h"
#include "system/linux/Fd.h"

namespace zelto::probes {
namespace {

using namespace std::chrono_literals;
using test::RecordingSocketCalls;
using Clock = std::chrono::steady_clock;
using Sockets = std::vector<std::pair<int, int>>;

bool canOpen(int type) {
    return system::Fd(::socket(AF_INET, type | SOCK_CLOEXEC, IPPROTO_ICMP)).valid();
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

/// Services over recording socket calls, collecting what they report when no ICMP socket opens.
struct Recorded {
    RecordingSocketCalls calls;
    std::mutex mutex;
    std::vector<std::string> reports;
    LinuxNetworkServices net{[this] {
        LinuxNetworkServices::Options o;
        o.calls = &calls;
        o.reportNoSocket = [this](const std::string& s) {
            std::lock_guard lock(mutex);
            reports.push_back(s);
        };
        return o;
    }()};
};

TEST(LoopbackPing, AnswersWithinTheSameMillisecond) {
    if (!canOpen(SOCK_DGRAM)) {
        REQUIRE_ICMP(SOCK_RAW);
    }
    LinuxNetworkServices net;
    // A few tries keep a busy machine's scheduling delay from turning one of them into "1 ms".
    std::vector<std::string> lines;
    for (int i = 0; i < 5; ++i) {
        const PingResult r = net.ping("127.0.0.1", {});
        EXPECT_EQ(r.dataMatches, std::optional<bool>(true)) << r.status;
        lines.push_back(pingedLine("127.0.0.1", r));
    }
    EXPECT_THAT(lines, ::testing::Contains("            Successfully pinged 127.0.0.1 in 0 ms"));
}

// A refused datagram socket falls back to a raw one without a word; an unexpected error does
// not try again.
TEST(LoopbackPing, RefusedDatagramSocketsFallBackToRawOnlyForPermissionErrors) {
    REQUIRE_ICMP(SOCK_RAW);
    for (const int refusal : {EACCES, EPERM, EPROTONOSUPPORT, EAFNOSUPPORT, EMFILE}) {
        SCOPED_TRACE(refusal);
        Recorded rec;
        rec.calls.refuseSocket(SOCK_DGRAM, IPPROTO_ICMP, refusal);
        const PingResult r = rec.net.ping("127.0.0.1", {});
        const bool fallsBack = refusal != EMFILE;
        EXPECT_EQ(r.status, fallsBack ? 0 : kPingNoSocket);
        EXPECT_EQ(rec.calls.opened(), (fallsBack ? Sockets{{SOCK_RAW, IPPROTO_ICMP}} : Sockets{}));
        EXPECT_TRUE(rec.reports.empty());
    }
}

TEST(LoopbackPing, SendErrorsEndThePingAtOnce) {
    if (!canOpen(SOCK_DGRAM)) {
        REQUIRE_ICMP(SOCK_RAW);
    }
    const std::pair<int, int> cases[] = {{ENETUNREACH, kPingNetUnreachable},
                                         {EHOSTUNREACH, kPingHostUnreachable},
                                         {EPERM, kPingNoSocket},
                                         {EINVAL, kPingNoSocket}};
    for (const auto& [err, status] : cases) {
        Recorded rec;
        rec.calls.failSendto(err);
        const auto start = Clock::now();
        EXPECT_EQ(rec.net.ping("127.0.0.1", {}).status, status) << err;
        EXPECT_LT(Clock::now() - start, 100ms);
    }
}

TEST(LoopbackProbes, BadTargetsAndAStopGivenBeforeOpenNoSocket) {
    Recorded rec;
    EXPECT_EQ(rec.net.ping("not-an-address", {}).status, kPingBadDestination);
    EXPECT_EQ(rec.net.connect("127.0.0.1", 0, {}), ConnectResult::Failed);
    EXPECT_EQ(rec.net.connect("127.0.0.1", 65536, {}), ConnectResult::Failed);
    EXPECT_EQ(rec.net.connect("no address", 80, {}), ConnectResult::Failed);
    std::stop_source stop;
    stop.request_stop();
    EXPECT_EQ(rec.net.ping("127.0.0.1", stop.get_token()).status, kPingCancelled);
    EXPECT_EQ(rec.net.connect("127.0.0.1", 80, stop.get_token()), ConnectResult::Cancelled);
    EXPECT_TRUE(rec.calls.opened().empty());
}

/// A TCP socket on 127.0.0.1 with a port of its own, listening or not.
struct LoopbackPort {
    system::Fd fd{::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)};
    int port = 0;
    explicit LoopbackPort(bool listening) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        EXPECT_EQ(::bind(fd.get(), reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        EXPECT_EQ(listening ? ::listen(fd.get(), 16) : 0, 0);
        EXPECT_EQ(::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&a), &size), 0);
        port = ntohs(a.sin_port);
    }
};

TEST(LoopbackConnect, AListeningPortConnectsAClosedOneFailsAtOnce) {
    const LoopbackPort listener(true);
    // Bound but not listening: the port is ours, so no one else can open it meanwhile.
    const LoopbackPort closed(false);
    Recorded rec;
    EXPECT_EQ(rec.net.connect("127.0.0.1", listener.port, {}), ConnectResult::Connected);
    const auto start = Clock::now();
    EXPECT_EQ(rec.net.connect("127.0.0.1", closed.port, {}), ConnectResult::Failed);
    EXPECT_LT(Clock::now() - start, 100ms);
    EXPECT_EQ(connectFailureLine("127.0.0.1", closed.port),
              "!!!!!!!!!!!  Failed to connect to 127.0.0.1:" + std::to_string(closed.port));
    rec.calls.refuseSocket(SOCK_STREAM, 0, EMFILE);
    EXPECT_EQ(rec.net.connect("127.0.0.1", listener.port, {}), ConnectResult::Failed);
}

// Only names /etc/hosts or the text itself answers: no query may reach a real name server.
TEST(LoopbackLookup, AnswersWithoutAResolver) {
    const std::pair<std::string, std::string> cases[] = {{"localhost", "127.0.0.1"},
                                                         {"  localhost   ", "127.0.0.1"},
                                                         {"10.1.2.3", "10.1.2.3"},
                                                         {" 192.168.0.5 ", "192.168.0.5"},
                                                         {"", ""},
                                                         {"   ", ""}};
    LinuxNetworkServices net;
    std::stop_source stop;
    for (const auto& [name, address] : cases) {
        EXPECT_EQ(net.getIPFromHostName(name, {}), address) << name;
        EXPECT_EQ(net.getIPFromHostName(name, stop.get_token()), address) << name;
    }
}

// inet_addr's reading tells an address from a host name: short forms count, "none" and 0 not.
TEST(DottedAddress, IsWhatInetAddrReadsAsNeitherNoneNorZero) {
    const LinuxNetworkServices net;
    for (const char* text : {"192.0.2.1", "127.0.0.1", "127.1", "10"})
        EXPECT_TRUE(net.isDottedAddress(text)) << text;
    for (const char* text :
         {"0.0.0.0", "255.255.255.255", "gw.example", "", "192.0.2.1:0", "1.2.3.4.5"})
        EXPECT_FALSE(net.isDottedAddress(text)) << text;
}

}  // namespace
}  // namespace zelto::probes
