// The probes: their rules without the network (the port splitter, a ping's verdict, the ICMP
// packets and how a raw socket's answer is matched to its echo), then against the real kernel.
// Every body that sends a packet runs inside network namespaces of its own (tests/lab), on
// loopback, beside a peer that plays the gateway, or with answers forged by a raw socket.

#include <arpa/inet.h>
#include <netinet/ip_icmp.h>

#include <cstring>
#include <latch>

#include <gtest/gtest.h>

#include "lab/Lab.h"
#include "probes/ProbeLines.h"
#include "probes/SplitPort.h"
#include "probes/linux/IcmpPacket.h"
#include "probes/linux/LinuxNetworkServices.h"
#include "support/TempDir.h"

namespace zelto::probes {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& v, std::size_t at, std::size_t x) {
    v[at] = static_cast<std::uint8_t>(x >> 8);
    v[at + 1] = static_cast<std::uint8_t>(x);
}

/// An ICMP message with identifier and sequence (0 for an error, whose payload is what it
/// quotes), checksum filled in.
Bytes icmpMessage(std::uint8_t type, std::uint8_t code, unsigned id, unsigned seq,
                  std::string_view payload) {
    Bytes m(8 + payload.size());
    m[0] = type;
    m[1] = code;
    put16(m, 4, id);
    put16(m, 6, seq);
    std::copy(payload.begin(), payload.end(), m.begin() + 8);
    put16(m, 2, icmp::checksum(m));
    return m;
}

/// An IPv4 packet carrying `icmp` after `optionWords` 4-byte words of no-op options. The kernel
/// fills in the length and checksum of what a raw socket sends; the probe reads neither.
Bytes ipPacket(in_addr_t src, in_addr_t dst, std::span<const std::uint8_t> icmp,
               int optionWords = 0) {
    Bytes p(20 + 4 * static_cast<std::size_t>(optionWords), IPOPT_NOP);
    std::fill_n(p.begin(), 20, 0);
    p[0] = static_cast<std::uint8_t>(0x45 + optionWords);
    p[8] = 64;
    p[9] = IPPROTO_ICMP;
    std::memcpy(&p[12], &src, 4);
    std::memcpy(&p[16], &dst, 4);
    p.insert(p.end(), icmp.begin(), icmp.end());
    return p;
}

/// Makes `socket` listen on a loopback port the kernel picks, so connects there succeed; the port.
int listenOnLoopback(const system::Fd& socket) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    ::bind(socket.get(), reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(socket.get(), 16);
    ::getsockname(socket.get(), reinterpret_cast<sockaddr*>(&a), &length);
    return ntohs(a.sin_port);
}

std::string text(const Bytes& b) {
    return {b.begin(), b.end()};
}

// Digits after the first colon count, whatever lies between them; port 0, ports past 65535
// and a last character that is no digit keep the whole text (port 0 below: no port).
TEST(SplitPort, SplitsAsTheRulesSay) {
    const std::pair<std::string, int> cases[] = {
        {"host:1:2", 12},
        {"10.0.0.5:000", 0},
        {"10.0.0.5:65535", 65535},
        {"10.0.0.5:65536", 0},
        {"10.0.0.5:99999999999999999999", 0},
        {"10.0.0.5:80 ", 0},
    };
    for (const auto& [text, port] : cases) {
        std::string item = text;
        int targetPort = -7;
        EXPECT_EQ(SplitPort(item, targetPort), port == 0) << text;
        EXPECT_EQ(item, port == 0 ? text : text.substr(0, text.find(':'))) << text;
        EXPECT_EQ(targetPort, port == 0 ? -7 : port) << text;
    }
}

TEST(IcmpPacket, TheChecksumIsTheInternetOnesAndAPingPassesOnItsOwnTextEchoed) {
    // RFC 1071's worked example; an odd length pads with a zero byte.
    EXPECT_EQ(icmp::checksum(Bytes{0, 1, 0xf2, 3, 0xf4, 0xf5, 0xf6, 0xf7}), 0x220d);
    EXPECT_EQ(icmp::checksum(Bytes{0x01}), 0xfeff);
    const auto request = icmp::echoRequest(0xBEEF, 0x0102);
    EXPECT_EQ(Bytes(request.begin(), request.end()),
              icmpMessage(ICMP_ECHO, 0, 0xBEEF, 0x0102, "Hello World"));
    // A ping passes on status 0 with the payload echoed, read as text up to its first NUL.
    const std::pair<std::string, bool> cases[] = {{"Hello World", true},
                                                  {std::string("Hello World\0junk", 16), true},
                                                  {"Hello World!", false},
                                                  {"Hello", false},
                                                  {std::string("\0Hello World", 12), false}};
    for (const auto& [data, passes] : cases)
        EXPECT_EQ(pingPassed({0, "3 ms", icmp::dataMatches(data)}), passes) << data;
    EXPECT_FALSE(pingPassed({kPingTimedOut, "", true}));
}

TEST(IcmpPacket, OnARawSocketOnlyOurAnswersCount) {
    const in_addr_t target = ::inet_addr("10.1.1.1"), us = ::inet_addr("10.0.0.2");
    const icmp::EchoKey key{target, 0x1234, 0x5678};
    const auto reply = [&](in_addr_t from, unsigned id, unsigned seq, int options = 0) {
        return ipPacket(from, us, icmpMessage(ICMP_ECHOREPLY, 0, id, seq, "Hello World"), options);
    };
    const auto error = [&](std::uint8_t type, std::uint8_t code, unsigned id, in_addr_t to) {
        const Bytes quoted = ipPacket(us, to, icmpMessage(ICMP_ECHO, 0, id, key.seq, "Hello"));
        return ipPacket(::inet_addr("10.0.0.1"), us, icmpMessage(type, code, 0, 0, text(quoted)));
    };
    auto truncated = reply(target, key.id, key.seq);
    truncated.resize(24);
    using enum icmp::Answer::Kind;
    const struct {
        const char* name;
        Bytes packet;
        icmp::Answer::Kind kind;
        int status;
    } cases[] = {
        {"our reply", reply(target, key.id, key.seq), Reply, 0},
        {"reply after IP options", reply(target, key.id, key.seq, 2), Reply, 0},
        {"other identifier", reply(target, key.id ^ 1, key.seq), NotOurs, 0},
        {"other sequence", reply(target, key.id, key.seq + 1), NotOurs, 0},
        {"other source", reply(::inet_addr("10.1.1.9"), key.id, key.seq), NotOurs, 0},
        // On loopback our own request comes back in.
        {"our own request", ipPacket(target, us, icmp::echoRequest(key.id, key.seq)), NotOurs, 0},
        {"truncated", truncated, NotOurs, 0},
        {"unreachable for us", error(ICMP_DEST_UNREACH, ICMP_HOST_UNREACH, key.id, target), Error,
         kPingHostUnreachable},
        {"TTL expired for us", error(ICMP_TIME_EXCEEDED, ICMP_EXC_TTL, key.id, target), Error,
         kPingTtlExpired},
        {"unreachable for another echo",
         error(ICMP_DEST_UNREACH, ICMP_HOST_UNREACH, key.id + 1, target), NotOurs, 0},
        {"unreachable for another host",
         error(ICMP_DEST_UNREACH, ICMP_HOST_UNREACH, key.id, ::inet_addr("10.1.1.2")), NotOurs, 0},
    };
    for (const auto& c : cases) {
        const icmp::Answer a = icmp::classifyRaw(c.packet, key);
        EXPECT_EQ(a.kind, c.kind) << c.name;
        EXPECT_EQ(a.status, c.status) << c.name;
        EXPECT_EQ(a.data, c.kind == Reply ? "Hello World" : "") << c.name;
    }
}

/// The system's calls, refusing ICMP datagram sockets with one error.
struct RefusingDatagrams : system::SystemCalls {
    int error;
    explicit RefusingDatagrams(int refused) : error(refused) {}
    int socket(int domain, int type, int protocol) override {
        if ((type & ~(SOCK_NONBLOCK | SOCK_CLOEXEC)) == SOCK_DGRAM)
            return errno = error, -1;
        return system::SystemCalls::socket(domain, type, protocol);
    }
};

// Answers the probe never asked for, written by a raw socket of the test while a ping on a
// datagram socket waits for kSilent, which ignores echoes. (The kernel itself keeps echoes and
// errors of other identifiers from the socket; the raw socket's matching is
// IcmpPacket.OnARawSocketOnlyOurAnswersCount.)
constexpr const char* kSilent = "127.0.0.7";

struct Forged {
    const char* name;
    bool unreachable;  // an ICMP error quoting the echo, else an echo reply
    const char* from;
    unsigned seqFlip;  // XORed into the echo's sequence
    const char* data;
    int status;
    bool quick;  // ends the wait at once, not after the full 800 ms
};

const Forged kForged[] = {
    {"wrong sequence", false, kSilent, 0x0101, "Hello World", kPingTimedOut, false},
    {"wrong source", false, "127.0.0.8", 0, "Hello World", kPingTimedOut, false},
    // Other data fails the item, but only once the true reply has had its 800 ms to come.
    {"wrong payload", false, kSilent, 0, "Hello Wordl", 0, false},
    // Our identifier is not enough: an earlier echo of the same identifier may be quoted.
    {"unreachable for another sequence", true, kSilent, 0x0101, "", kPingTimedOut, false},
    {"genuine reply", false, kSilent, 0, "Hello World", 0, true},
    {"genuine unreachable", true, kSilent, 0, "", kPingHostUnreachable, true},
};

/// Answers the probe's echo request, as soon as it has left, with the forged answer `f`.
struct Forger : system::SystemCalls {
    const Forged& f;
    system::Fd sender{::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_RAW)};
    bool sent = false;

    explicit Forger(const Forged& forged) : f(forged) {}

    ssize_t sendto(int fd, const void* data, size_t size, int flags, const sockaddr* to,
                   socklen_t toSize) override {
        const ssize_t n = system::SystemCalls::sendto(fd, data, size, flags, to, toSize);
        const auto* echo = static_cast<const std::uint8_t*>(data);
        sockaddr_in us{};
        socklen_t usSize = sizeof us;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&us), &usSize);
        // The kernel puts its own identifier in: the socket's port.
        const unsigned id = ntohs(us.sin_port), seq = (echo[6] << 8 | echo[7]) ^ f.seqFlip;
        const in_addr_t silent = ::inet_addr(kSilent), self = ::inet_addr("127.0.0.1");
        const Bytes quoted =
            ipPacket(self, silent, icmpMessage(ICMP_ECHO, 0, id, seq, "Hello World"));
        const Bytes packet =
            f.unreachable
                ? ipPacket(silent, self,
                           icmpMessage(ICMP_DEST_UNREACH, ICMP_HOST_UNREACH, 0, 0, text(quoted)))
                : ipPacket(::inet_addr(f.from), self,
                           icmpMessage(ICMP_ECHOREPLY, 0, id, seq, f.data));
        us.sin_addr.s_addr = self;
        sent = ::sendto(sender.get(), packet.data(), packet.size(), 0,
                        reinterpret_cast<const sockaddr*>(&us), sizeof us) == std::ssize(packet);
        return n;
    }
};

// Bad targets fail, and a stop given before a probe starts cancels it, at once. inet_addr tells
// an address from a host name (short forms count); "none" and 0 are names. A refused datagram
// socket falls back to a raw one without a word; an unexpected error does not try again. Only
// genuine answers end a ping. Without either socket the ping is 11050, and says why once.
TEST(PingLab, OnLoopbackOnlyGenuineAnswersCountARefusedSocketFallsBackOrSaysWhy) {
    lab::inFreshNetns([] {
        LinuxNetworkServices plain;
        EXPECT_TRUE(plain.isDottedAddress("127.1"));
        for (const char* text : {"0.0.0.0", "255.255.255.255", "gw.example"})
            EXPECT_FALSE(plain.isDottedAddress(text)) << text;
        EXPECT_EQ(plain.ping("not-an-address", {}).status, kPingBadDestination);
        for (const auto& [target, port] :
             {std::pair{"127.0.0.1", 0}, {"127.0.0.1", 65536}, {"x", 80}})
            EXPECT_EQ(plain.connect(target, port, {}), ConnectResult::Failed) << port;
        std::stop_source stop;
        stop.request_stop();
        EXPECT_EQ(plain.ping("127.0.0.1", stop.get_token()).status, kPingCancelled);
        EXPECT_EQ(plain.connect("127.0.0.1", 80, stop.get_token()), ConnectResult::Cancelled);
        lab::sysctl("net.ipv4.ping_group_range", "0 2147483647");
        bool sameMillisecond = false;  // of a few tries, on a busy machine
        for (int i = 0; i < 5 && !sameMillisecond; ++i) {
            const PingResult r = plain.ping("127.0.0.1", {});
            EXPECT_TRUE(pingPassed(r)) << r.status;
            sameMillisecond = r.roundTrip == "0 ms";
        }
        EXPECT_TRUE(sameMillisecond);
        std::vector<std::string> reports;
        const auto report = [&](const std::string& s) { reports.push_back(s); };
        for (const int refused : {EACCES, EPERM, EPROTONOSUPPORT, EAFNOSUPPORT, EMFILE}) {
            RefusingDatagrams calls(refused);
            LinuxNetworkServices net({.calls = &calls, .reportNoSocket = report});
            EXPECT_EQ(net.ping("127.0.0.1", {}).status, refused == EMFILE ? kPingNoSocket : 0)
                << refused;
        }
        EXPECT_TRUE(reports.empty());
        lab::sysctl("net.ipv4.icmp_echo_ignore_all", "1");
        for (const Forged& f : kForged) {
            Forger forger(f);
            LinuxNetworkServices net({.calls = &forger, .reportNoSocket = {}});
            const auto start = Clock::now();
            const PingResult r = net.ping(kSilent, {});
            const auto took = Clock::now() - start;
            EXPECT_TRUE(forger.sent) << f.name;
            EXPECT_EQ(r.status, f.status) << f.name;
            EXPECT_EQ(pingPassed(r), f.quick && f.status == 0) << f.name;
            EXPECT_EQ(took < 500ms, f.quick) << f.name;
            EXPECT_EQ(took >= 700ms, !f.quick) << f.name;
        }
        // Neither socket, as an unprivileged user (nobody) without the datagram sockets.
        lab::sysctl("net.ipv4.ping_group_range", "1 0");
        ASSERT_EQ(::setuid(65534), 0);
        LinuxNetworkServices net({.reportNoSocket = report});
        EXPECT_EQ(net.ping("127.0.0.1", {}).status, kPingNoSocket);
        EXPECT_EQ(net.ping("127.0.0.1", {}).status, kPingNoSocket);
        EXPECT_EQ(reports.size(), 1u);
    });
}

// Once on an ICMP datagram socket, once on a raw one. This PC is 10.200.0.2, the peer
// 10.200.0.1 its gateway; no route to 10.99.0.0/16, the peer answers "unreachable" for
// 10.202.0.0/16 and silently drops everything for 10.201.0.0/16, its name server 10.201.0.53
// included; 10.210.0.n is one of its own addresses. A probe closes its socket before it
// reports: whoever hears the outcome may count them.
TEST(ProbesLab, EndAsTheNetworkSaysEachWithItsOwnAnswerAndAStopEndsThemAtOnce) {
    for (const bool datagram : {true, false}) {
        SCOPED_TRACE(datagram ? "datagram socket" : "raw socket");
        lab::inFreshNetns([&] {
            lab::sysctl("net.ipv4.ping_group_range", datagram ? "0 2147483647" : "1 0");
            const lab::GatewayLab lab;
            lab::ip("route add throw 10.99.0.0/16");
            lab.peer().ip("route add unreachable 10.202.0.0/16");
            lab.peer().ip("route add blackhole 10.201.0.0/16");
            for (int n = 1; n <= 16; ++n)
                lab.peer().ip("addr add 10.210.0." + std::to_string(n) + "/32 dev lo");
            lab::overlayFile("/etc/nsswitch.conf", "hosts: files dns\n");
            lab::overlayFile("/etc/resolv.conf", "nameserver 10.201.0.53\noptions timeout:5\n");
            const system::Fd listener{::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)};
            // Made before the services, so that their loop thread is gone before these are.
            std::vector<PingResult> results(49);
            std::latch answered(48), stopped(3), pinged(1), connected(1);
            const auto over = [&](const char* probe, bool cancelled) {
                EXPECT_TRUE(cancelled) << probe;
                stopped.count_down();
            };
            std::stop_source stop;
            LinuxNetworkServices net({.connectLimit = 300ms, .reportNoSocket = {}});
            EXPECT_EQ(net.connect("127.0.0.1", listenOnLoopback(listener), {}),
                      ConnectResult::Connected);
            const std::size_t fds = lab::countEntries("/proc/self/fd");
            const std::size_t threads = lab::countEntries("/proc/self/task");
            using ms = std::chrono::milliseconds;
            // A ping (port 0) ends with its status, a connect fails.
            const std::tuple<const char*, int, int, ms, ms> cases[] = {
                {"10.200.0.77", 0, kPingTimedOut, 700ms, 900ms},  // an address nobody owns
                {"10.99.0.1", 0, kPingNetUnreachable, 0ms, 50ms},
                {"10.202.0.5", 0, kPingHostUnreachable, 0ms, 200ms},
                {"127.0.0.1", 9, 0, 0ms, 100ms},
                {"10.99.0.1", 80, 0, 0ms, 100ms},  // no route: refused by connect itself
                {"10.201.0.5", 80, 0, 300ms, 400ms},
            };
            for (const auto& [target, port, status, atLeast, atMost] : cases) {
                const auto start = Clock::now();
                if (port == 0) {
                    const PingResult r = net.ping(target, {});
                    EXPECT_EQ(r.status, status) << target;
                    EXPECT_EQ(pingPassed(r), status == 0) << target;
                } else {
                    EXPECT_EQ(net.connect(target, port, {}), ConnectResult::Failed) << target;
                }
                const auto took = Clock::now() - start;
                EXPECT_TRUE(took >= atLeast && took <= atMost) << target;
            }
            EXPECT_EQ(lab::countEntries("/proc/self/task"), threads);
            // A probe closes its socket before it reports: whoever hears it may count them.
            const auto countAtReport = [&](std::latch* reported) {
                return [&fds, reported](auto) {
                    EXPECT_EQ(lab::countEntries("/proc/self/fd"), fds);
                    reported->count_down();
                };
            };
            net.startPing(lab::GatewayLab::kGateway, {}, countAtReport(&pinged));
            pinged.wait();
            net.startConnect(lab::GatewayLab::kGateway, 9, {}, countAtReport(&connected));
            connected.wait();
            // 48 echoes in flight on the one probe loop, 16 into the peer's blackhole and 16 to
            // 10.210.0.1: no answer may land on the wrong one.
            for (int n = 1; n <= 48; ++n) {
                const auto to = n > 32 ? "10.210.0.1"
                                       : (n <= 16 ? "10.210.0." : "10.201.0.") + std::to_string(n);
                net.startPing(to, {}, [&, n](auto r) {
                    results[n] = std::move(r);
                    answered.count_down();
                });
            }
            answered.wait();
            for (int n = 1; n <= 48; ++n)
                EXPECT_EQ(pingPassed(results[n]), n <= 16 || n > 32) << n << results[n].status;
            // A stop ends a connect, a ping and a lookup in flight within 50 ms.
            net.startConnect("10.201.0.5", 80, stop.get_token(),
                             [&](auto r) { over("connect", r == ConnectResult::Cancelled); });
            net.startPing("10.201.0.5", stop.get_token(),
                          [&](auto r) { over("ping", r.status == kPingCancelled); });
            net.startLookup("slow.zelto.test", stop.get_token(),
                            [&](auto a) { over("lookup", a.empty()); });
            std::this_thread::sleep_for(100ms);
            const auto requested = Clock::now();
            stop.request_stop();
            stopped.wait();
            EXPECT_LT(Clock::now() - requested, 50ms);
        });
    }
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
            {" 192.168.0.5 ", "192.168.0.5"},
            {"   ", ""}};
        LinuxNetworkServices net;
        std::stop_source stop;  // as a run asks: stoppable
        for (const auto& [name, address] : cases)
            EXPECT_EQ(net.getIPFromHostName(name, stop.get_token()), address) << name;
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

// The lab's own guard of the machine: its file overlays stay in the body's mount namespace.
TEST(Lab, OverlayFileChangesTheFileForTheBodyOnly) {
    const test::TempDir dir;
    const std::string file = dir.write("f.txt", "original");
    EXPECT_THROW(lab::overlayFile(file, "changed"), lab::LabError);
    lab::inFreshNetns([&] {
        lab::overlayFile(file, "changed");
        EXPECT_EQ(dir.read("f.txt"), "changed");
    });
    EXPECT_EQ(dir.read("f.txt"), "original");
}

}  // namespace
}  // namespace zelto::probes
