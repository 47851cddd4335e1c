// TCP connects and name lookups against the real kernel, each body inside network namespaces
// of its own (tests/lab): no packet and no query can leave the machine.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include "lab/Lab.h"
#include "probes/RecordingSocketCalls.h"
#include "probes/StopLatency.h"
#include "probes/linux/LinuxNetworkServices.h"
#include "system/linux/Fd.h"

namespace zelto::probes {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The peer silently drops everything for 10.201.0.0/16: a connect or a name query there never
// hears back.
constexpr const char* kBlackholed = "10.201.0.5";

/// The port of a TCP socket listening on a port of the kernel's choosing.
int listeningPort(const system::Fd& fd) {
    sockaddr_in a{};
    socklen_t size = sizeof a;
    EXPECT_EQ(::listen(fd.get(), 16), 0);
    EXPECT_EQ(::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&a), &size), 0);
    return ntohs(a.sin_port);
}

// A probe closes its socket before it reports: whoever hears the outcome may count them.
TEST(ConnectLab, ConnectsEndAtOnceOrAtTheLimitOrAtAStopAndLeaveNoDescriptorOrThread) {
    lab::inFreshNetns([] {
        const lab::GatewayLab lab;
        lab.peer().ip("route add blackhole 10.201.0.0/16");
        lab::ip("route add unreachable 10.99.0.0/16");
        const system::Fd listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        const int open = listeningPort(listener);
        test::RecordingSocketCalls calls;
        LinuxNetworkServices net({.connectLimit = 300ms, .calls = &calls, .reportNoSocket = {}});
        EXPECT_EQ(net.connect("127.0.0.1", open, {}), ConnectResult::Connected);
        const std::size_t fds = lab::countEntries("/proc/self/fd");
        const std::size_t threads = lab::countEntries("/proc/self/task");
        const struct {
            const char* ip;
            int port;
            std::chrono::milliseconds atLeast, atMost;
        } failures[] = {{"127.0.0.1", 9, 0ms, 100ms},
                        {lab::GatewayLab::kGateway, 9, 0ms, 100ms},
                        {"10.99.0.1", 80, 0ms, 100ms},  // no route: refused by connect itself
                        {kBlackholed, 80, 300ms, 400ms}};
        for (int i = 0; i < 3; ++i) {
            for (const auto& f : failures) {
                const auto start = Clock::now();
                EXPECT_EQ(net.connect(f.ip, f.port, {}), ConnectResult::Failed) << f.ip;
                EXPECT_GE(Clock::now() - start, f.atLeast) << f.ip;
                EXPECT_LE(Clock::now() - start, f.atMost) << f.ip;
            }
            EXPECT_LT(test::stopLatency([&](std::stop_token stop) {
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
        EXPECT_LT(test::stopLatency([&](std::stop_token stop) {
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

}  // namespace
}  // namespace zelto::probes
