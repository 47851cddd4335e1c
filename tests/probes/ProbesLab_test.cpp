// The probes against the real kernel: every body that sends a packet runs inside network
// namespaces of its own (tests/lab), on loopback, beside a peer that plays the gateway, or with
// answers forged by a raw socket of the test. Pings run once on an ICMP datagram socket and
// once on a raw one.

#include <arpa/inet.h>
#include <netinet/ip_icmp.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <latch>
#include <mutex>
#include <set>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/CliProcess.h"
#include "lab/Lab.h"
#include "probes/IcmpForge.h"
#include "probes/ProbeLines.h"
#include "probes/linux/LinuxNetworkServices.h"
#include "support/TempDir.h"
#include "system/linux/Fd.h"

namespace zelto::probes {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using ::testing::HasSubstr;
using Sockets = std::vector<std::pair<int, int>>;

/// The system's calls, recording which sockets the probes open and refusing the one a test
/// names (set before the probes start).
struct RecordingSocketCalls : system::SystemCalls {
    /// socket(AF_INET, refusedType, ...) fails with refusedError (type without SOCK_NONBLOCK).
    int refusedType = -1;
    int refusedError = 0;
    std::mutex mutex;
    /// (type, protocol) of every socket opened so far.
    std::vector<std::pair<int, int>> opened;

    int socket(int domain, int type, int protocol) override {
        const int kind = type & ~(SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (kind == refusedType)
            return errno = refusedError, -1;
        const int fd = system::SystemCalls::socket(domain, type, protocol);
        std::lock_guard lock(mutex);
        if (fd >= 0)
            opened.emplace_back(kind, protocol);
        return fd;
    }
};

/// Runs `probe` while a thread of its own requests a stop 100 ms in: the time from the request
/// to the probe's return (measured from the request, so a late stopper is not the probe's fault;
/// the longest time there is when the probe came back before it).
Clock::duration stopLatency(const std::function<void(std::stop_token)>& probe) {
    std::stop_source stop;
    Clock::time_point requested;
    std::jthread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        requested = Clock::now();
        stop.request_stop();
    });
    probe(stop.get_token());
    const Clock::time_point returned = Clock::now();
    stopper.join();
    return returned >= requested ? returned - requested : Clock::duration::max();
}

// inet_addr tells an address from a host name (short forms count); "none" and 0 are names.
// Bad targets, and a stop given before a probe starts, open no socket.
TEST(LinuxNetworkServices, BadTargetsAndAnEarlyStopNeedNoSocket) {
    RecordingSocketCalls calls;
    LinuxNetworkServices net({.calls = &calls, .reportNoSocket = {}});
    EXPECT_TRUE(net.isDottedAddress("127.1"));
    for (const char* text : {"0.0.0.0", "255.255.255.255", "gw.example"})
        EXPECT_FALSE(net.isDottedAddress(text)) << text;
    EXPECT_EQ(net.ping("not-an-address", {}).status, kPingBadDestination);
    EXPECT_EQ(net.connect("127.0.0.1", 0, {}), ConnectResult::Failed);
    EXPECT_EQ(net.connect("127.0.0.1", 65536, {}), ConnectResult::Failed);
    EXPECT_EQ(net.connect("no address", 80, {}), ConnectResult::Failed);
    std::stop_source stop;
    stop.request_stop();
    EXPECT_EQ(net.ping("127.0.0.1", stop.get_token()).status, kPingCancelled);
    EXPECT_EQ(net.connect("127.0.0.1", 80, stop.get_token()), ConnectResult::Cancelled);
    EXPECT_TRUE(calls.opened.empty());
}

/// A probe's target, the status (ping) or port (connect) it is given, and how long it may take.
struct Timed {
    const char* target;
    int value;
    std::chrono::milliseconds atLeast, atMost;
};

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

// Without either socket the ping is 11050, and says why once.
TEST(PingLab, OnLoopbackAnswersInTheSameMillisecondFallsBackToARawSocketOrSaysWhyNot) {
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
            RecordingSocketCalls calls;
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
        // Neither socket, as an unprivileged user (nobody) without the datagram sockets.
        lab::sysctl("net.ipv4.ping_group_range", "1 0");
        ASSERT_EQ(::setuid(65534), 0);
        std::vector<std::string> reports;
        LinuxNetworkServices net({.reportNoSocket = [&](auto s) { reports.push_back(s); }});
        EXPECT_EQ(net.ping("127.0.0.1", {}).status, kPingNoSocket);
        EXPECT_EQ(net.ping("127.0.0.1", {}).status, kPingNoSocket);
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_THAT(reports[0], HasSubstr("ping_group_range (1 0)"));
        EXPECT_THAT(reports[0], HasSubstr("lacks CAP_NET_RAW"));
    });
}

// The lab: this PC 10.200.0.2, the peer 10.200.0.1 as gateway; no route to 10.99.0.0/16, and
// the peer answers "unreachable" for 10.202.0.0/16.
TEST(PingLab, EndsAsTheNetworkSaysAndAStopEndsTheWaitWithin50ms) {
    const Timed cases[] = {
        {"10.200.0.1", 0, 0ms, 200ms},
        {"10.200.0.77", kPingTimedOut, 700ms, 900ms},  // an address nobody owns
        {"10.99.0.1", kPingNetUnreachable, 0ms, 50ms},
        {"10.202.0.5", kPingHostUnreachable, 0ms, 200ms},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        onEitherPath([&](bool datagram) {
            const lab::GatewayLab lab;
            lab::ip("route add throw 10.99.0.0/16");
            lab.peer().ip("route add unreachable 10.202.0.0/16");
            RecordingSocketCalls calls;
            LinuxNetworkServices net({.calls = &calls, .reportNoSocket = {}});
            const auto start = Clock::now();
            const PingResult r = net.ping(c.target, {});
            const auto took = Clock::now() - start;
            EXPECT_EQ(r.status, c.value);
            EXPECT_EQ(pingPassed(r), c.value == 0);
            EXPECT_GE(took, c.atLeast);
            EXPECT_LE(took, c.atMost);
            EXPECT_EQ(calls.opened, (Sockets{{datagram ? SOCK_DGRAM : SOCK_RAW, IPPROTO_ICMP}}));
            if (c.value == kPingTimedOut) {
                EXPECT_LT(stopLatency([&](std::stop_token stop) {
                              EXPECT_EQ(net.ping(c.target, stop).status, kPingCancelled);
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
    // Whether it ends the wait at once instead of after the full 800 ms, and passes the ping.
    bool quick() const { return status != kPingTimedOut && (unreachable || passes()); }
    bool passes() const { return status == 0 && std::string_view(data) == "Hello World"; }
};

const Forged kForged[] = {
    {"wrong identifier", false, kSilent, 0x0101, 0, "Hello World", kPingTimedOut},
    {"wrong sequence", false, kSilent, 0, 0x0101, "Hello World", kPingTimedOut},
    {"wrong source", false, "127.0.0.8", 0, 0, "Hello World", kPingTimedOut},
    // Other data fails the item, but only once the true reply has had its 800 ms to come.
    {"wrong payload", false, kSilent, 0, 0, "Hello Wordl", 0},
    {"stray unreachable", true, kSilent, 0x0101, 0, "", kPingTimedOut},
    // Our identifier is not enough: an earlier echo of the same identifier may be quoted.
    {"unreachable for another sequence", true, kSilent, 0, 0x0101, "", kPingTimedOut},
    {"genuine reply", false, kSilent, 0, 0, "Hello World", 0},
    {"genuine unreachable", true, kSilent, 0, 0, "", kPingHostUnreachable},
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
        us.sin_addr.s_addr = ::inet_addr("127.0.0.1");
        const auto quoted = ipPacket(us.sin_addr.s_addr, ::inet_addr(kSilent),
                                     icmpMessage(ICMP_ECHO, id, seq, "Hello World"));
        const auto packet = f.unreachable
                                ? ipPacket(::inet_addr(kSilent), us.sin_addr.s_addr,
                                           icmpError(ICMP_DEST_UNREACH, ICMP_HOST_UNREACH, quoted))
                                : ipPacket(::inet_addr(f.from), us.sin_addr.s_addr,
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
            EXPECT_EQ(pingPassed(r), f.passes());
            EXPECT_EQ(took < 500ms, f.quick());
            EXPECT_EQ(took >= 700ms, !f.quick());
        });
    }
}

// The peer silently drops everything for 10.201.0.0/16: a connect or a name query there never
// hears back.
constexpr const char* kBlackholed = "10.201.0.5";

// A probe closes its socket before it reports: whoever hears the outcome may count them.
TEST(ConnectLab, ConnectsEndAtOnceOrAtTheLimitOrAtAStopAndLeaveNoDescriptorOrThread) {
    lab::inFreshNetns([] {
        const lab::GatewayLab lab;
        lab.peer().ip("route add blackhole 10.201.0.0/16");
        lab::ip("route add unreachable 10.99.0.0/16");
        const test::LoopbackPort listener(test::LoopbackPort::Kind::Listening);
        const int open = listener.port();
        RecordingSocketCalls calls;
        LinuxNetworkServices net({.connectLimit = 300ms, .calls = &calls, .reportNoSocket = {}});
        EXPECT_EQ(net.connect("127.0.0.1", open, {}), ConnectResult::Connected);
        const std::size_t fds = lab::countEntries("/proc/self/fd");
        const std::size_t threads = lab::countEntries("/proc/self/task");
        const Timed failures[] = {
            {"127.0.0.1", 9, 0ms, 100ms},
            {lab::GatewayLab::kGateway, 9, 0ms, 100ms},
            {"10.99.0.1", 80, 0ms, 100ms},  // no route: refused by connect itself
            {kBlackholed, 80, 300ms, 400ms}};
        for (int i = 0; i < 3; ++i) {
            for (const auto& f : failures) {
                const auto start = Clock::now();
                EXPECT_EQ(net.connect(f.target, f.value, {}), ConnectResult::Failed) << f.target;
                EXPECT_GE(Clock::now() - start, f.atLeast) << f.target;
                EXPECT_LE(Clock::now() - start, f.atMost) << f.target;
            }
            EXPECT_LT(stopLatency([&](std::stop_token stop) {
                          EXPECT_EQ(net.connect(kBlackholed, 80, stop), ConnectResult::Cancelled);
                          EXPECT_EQ(net.ping(kBlackholed, stop).status, kPingCancelled);
                      }),
                      50ms);
            EXPECT_EQ(net.ping(lab::GatewayLab::kGateway, {}).status, 0);
            EXPECT_EQ(lab::countEntries("/proc/self/fd"), fds);
            EXPECT_EQ(lab::countEntries("/proc/self/task"), threads);
        }
        lab::overlayFile("/etc/nsswitch.conf", "hosts: files dns\n");
        lab::overlayFile("/etc/resolv.conf", "nameserver 10.201.0.53\noptions timeout:5\n");
        EXPECT_LT(stopLatency([&](std::stop_token stop) {
                      EXPECT_EQ(net.getIPFromHostName("slow.zelto.test", stop), "");
                  }),
                  50ms);
        calls.refusedType = SOCK_STREAM;
        calls.refusedError = EMFILE;
        EXPECT_EQ(net.connect("127.0.0.1", open, {}), ConnectResult::Failed);
    });
}

// Only the hosts file and a name server on loopback, where nothing listens. Names are trimmed
// and cut to 255 characters; " " asks for this PC's own address: the source of the default
// route, else the first address of a link that is up, else loopback.
TEST(LookupLab, NamesAreTrimmedAndCutUnknownOnesAreEmptyAndThisPcIsFound) {
    lab::inFreshNetns([] {
        const std::string label(63, 'a');
        const std::string longName = label + "." + label + "." + label + "." + label;  // 255
        lab::overlayFile("/etc/nsswitch.conf", "hosts: files dns\n");
        lab::overlayFile("/etc/resolv.conf",
                         "nameserver 127.0.0.1\noptions timeout:1 attempts:1\n");
        lab::overlayFile("/etc/hosts", "10.200.0.9 labhost\n10.200.0.10 " + longName + "\n");
        const std::pair<std::string, std::string> cases[] = {
            {"zelto-no-such-host.invalid", ""},
            {"   labhost ", "10.200.0.9"},
            {"  " + longName + "bbbb  ", "10.200.0.10"},
            {"b" + longName.substr(1), ""},
            {" 192.168.0.5 ", "192.168.0.5"},
            {"", ""},
            {"   ", ""}};
        LinuxNetworkServices net;
        std::stop_source stop;
        for (const auto& [name, address] : cases) {
            EXPECT_EQ(net.getIPFromHostName(name, {}), address) << name;
            EXPECT_EQ(net.getIPFromHostName(name, stop.get_token()), address) << name;
        }

        EXPECT_EQ(net.getIPFromHostName(" ", {}), "127.0.0.1");
        // lab9 comes first but is down; lab0's first address wins.
        lab::ip("link add lab9 type veth peer name lab9p");
        lab::ip("addr add 10.199.0.9/24 dev lab9");
        const lab::GatewayLab lab(false);
        lab::ip("addr add 10.200.0.3/24 dev lab0");
        EXPECT_EQ(net.getIPFromHostName(" ", {}), lab::GatewayLab::kLocal);
        lab::ip("route add default via 10.200.0.1 src 10.200.0.3");
        EXPECT_EQ(net.getIPFromHostName(" ", {}), "10.200.0.3");
    });
}

// The lab harness itself: what every lab test relies on.
std::set<std::string> sysClassNet() {
    std::set<std::string> names;
    for (const auto& link : std::filesystem::directory_iterator("/sys/class/net"))
        names.insert(link.path().filename());
    return names;
}

bool echoesIgnored() {
    return std::ifstream("/proc/sys/net/ipv4/icmp_echo_ignore_all").get() == '1';
}

// /sys/class/net is the namespace's own: the body sees its links only, and a peer's sysctls
// stay in the peer, which is gone with it.
TEST(Lab, TheBodyAndEachPeerHaveNamespacesOfTheirOwnAndLeaveNothingBehind) {
    lab::inFreshNetns([] {
        EXPECT_EQ(sysClassNet(), std::set<std::string>{"lo"});
        pid_t holder = 0;
        {
            const lab::GatewayLab lab;
            holder = lab.peer().pid();
            EXPECT_EQ(sysClassNet(), (std::set<std::string>{"lo", "lab0"}));
            lab.peer().sysctl("net.ipv4.icmp_echo_ignore_all", "1");
            EXPECT_EQ(lab.peer().spawn([] { return echoesIgnored() ? 7 : 0; }).wait(), 7);
            EXPECT_FALSE(echoesIgnored());
        }
        EXPECT_EQ(::kill(holder, 0), -1);
    });
}

TEST(Lab, OverlayFileRefusesToTouchTheMachinesOwnFiles) {
    const test::TempDir dir;
    const std::string file = dir.write("f.txt", "original");
    EXPECT_THROW(lab::overlayFile(file, "changed"), lab::LabError);
    lab::inFreshNetns([&] {
        lab::overlayFile(file, "changed");
        EXPECT_EQ(dir.read("f.txt"), "changed");
    });
    EXPECT_EQ(dir.read("f.txt"), "original");
}

// Bodies that go wrong on purpose, run by the test below in a second copy of this program.
TEST(LabSelfCheck, DISABLED_GoesWrong) {
    lab::inFreshNetns([] { ADD_FAILURE() << "marker-from-the-body"; });
    lab::inFreshNetns([] { throw lab::LabError("marker-thrown"); });
    lab::inFreshNetns([] { std::abort(); });
    lab::inFreshNetns([] { ::pause(); }, {.timeout = 300ms});
}
TEST(LabSelfCheck, DISABLED_Skips) {
    lab::inFreshNetns([] { GTEST_SKIP() << "marker-skipped"; });
}

TEST(Lab, WhatGoesWrongInTheBodyReachesTheTest) {
    // In a body itself, which skips this test where the lab cannot run.
    lab::inFreshNetns([] {
        const std::string out = lab::run({"/proc/self/exe", "--gtest_also_run_disabled_tests",
                                          "--gtest_filter=LabSelfCheck.*"})
                                    .output;
        const std::string wrong = out.substr(0, out.find("[  FAILED  ] LabSelfCheck."));
        for (const char* marker : {"marker-from-the-body", "marker-thrown", "ended by signal 6",
                                   "ran longer than 300 ms"})
            EXPECT_NE(wrong.find(marker), std::string::npos) << marker << "\n" << out;
        EXPECT_THAT(out, HasSubstr("marker-skipped\n[  SKIPPED ] LabSelfCheck.DISABLED_Skips"));
    });
}

}  // namespace
}  // namespace zelto::probes
