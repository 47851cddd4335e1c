// TCP connect beyond loopback, each test inside network namespaces of its own (tests/lab).

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "lab/Lab.h"
#include "lab/SysFiles.h"
#include "probes/ProbeLines.h"
#include "probes/StopLater.h"
#include "probes/linux/LinuxNetworkServices.h"
#include "system/linux/Fd.h"

namespace zelto::probes {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kBlackholed = "10.201.0.5";

/// The lab with a peer that silently drops everything for 10.201.0.0/16: a connect there
/// never hears back.
struct BlackholeLab {
    lab::GatewayLab lab;
    BlackholeLab() { lab.peer().ip("route add blackhole 10.201.0.0/16"); }
};

LinuxNetworkServices::Options limitedTo(std::chrono::milliseconds limit) {
    LinuxNetworkServices::Options o;
    o.connectLimit = limit;
    return o;
}

struct Timed {
    ConnectResult result;
    Clock::duration took;
};

Timed timedConnect(NetworkServices& net, const std::string& ip, int port,
                   std::stop_token stop = {}) {
    const auto start = Clock::now();
    const ConnectResult r = net.connect(ip, port, std::move(stop));
    return {r, Clock::now() - start};
}

/// Listens on `address`:`port` inside the peer until the returned process is destroyed.
lab::Process listenInPeer(const lab::Peer& peer, const char* address, int port) {
    int ready[2];
    EXPECT_EQ(::pipe(ready), 0);
    lab::Process p = peer.spawn([&] {
        const system::Fd s(::socket(AF_INET, SOCK_STREAM, 0));
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<std::uint16_t>(port));
        ::inet_pton(AF_INET, address, &a.sin_addr);
        if (::bind(s.get(), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::listen(s.get(), 8) != 0)
            return 1;
        [[maybe_unused]] ssize_t n = ::write(ready[1], "+", 1);
        for (;;)
            ::pause();
    });
    ::close(ready[1]);
    char c = 0;
    EXPECT_EQ(::read(ready[0], &c, 1), 1) << "the listener did not start";
    ::close(ready[0]);
    return p;
}

TEST(ConnectLab, ListeningClosedAndUnroutedPorts) {
    lab::inFreshNetns([] {
        lab::GatewayLab lab(false);  // on-link only: 10.99.0.1 has no route
        const lab::Process listener = listenInPeer(lab.peer(), lab::GatewayLab::kGateway, 7000);
        LinuxNetworkServices net;
        EXPECT_EQ(net.connect(lab::GatewayLab::kGateway, 7000, {}), ConnectResult::Connected);
        for (const auto& [ip, port] :
             {std::pair{lab::GatewayLab::kGateway, 7001}, std::pair{"10.99.0.1", 80}}) {
            const Timed t = timedConnect(net, ip, port);
            EXPECT_EQ(t.result, ConnectResult::Failed) << ip;
            EXPECT_LT(t.took, 100ms) << ip;
        }
    });
}

TEST(ConnectLab, ABlackholedConnectEndsAtTheLimitAndAStopWithin50ms) {
    lab::inFreshNetns([] {
        BlackholeLab lab;
        LinuxNetworkServices limited(limitedTo(300ms));
        const Timed t = timedConnect(limited, kBlackholed, 80);
        EXPECT_EQ(t.result, ConnectResult::Failed);
        EXPECT_GE(t.took, 300ms);
        EXPECT_LT(t.took, 400ms);

        LinuxNetworkServices net;
        std::stop_source stop;
        test::StopLater stopper(stop, 100ms);
        const ConnectResult r = net.connect(kBlackholed, 80, stop.get_token());
        EXPECT_LT(stopper.latencyUntil(Clock::now()), 50ms);
        EXPECT_EQ(r, ConnectResult::Cancelled);
    });
}

TEST(ConnectLab, NoDescriptorOrThreadOutlivesAProbe) {
    lab::inFreshNetns([] {
        BlackholeLab lab;
        LinuxNetworkServices net(limitedTo(100ms));
        const std::size_t fds = zelto::lab::countEntries("/proc/self/fd");
        const std::size_t threads = zelto::lab::countEntries("/proc/self/task");
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(net.connect(kBlackholed, 80, {}), ConnectResult::Failed);
            std::stop_source stop;
            std::jthread stopper([&] {
                std::this_thread::sleep_for(20ms);
                stop.request_stop();
            });
            EXPECT_EQ(net.connect(kBlackholed, 80, stop.get_token()), ConnectResult::Cancelled);
            EXPECT_EQ(net.connect("10.99.0.1", 80, {}), ConnectResult::Failed);
            EXPECT_EQ(net.connect(lab::GatewayLab::kGateway, 9, {}), ConnectResult::Failed);
            net.ping(kBlackholed, stop.get_token());
            net.ping(lab::GatewayLab::kGateway, {});
        }
        EXPECT_EQ(zelto::lab::countEntries("/proc/self/fd"), fds);
        EXPECT_EQ(zelto::lab::countEntries("/proc/self/task"), threads);
    });
}

}  // namespace
}  // namespace zelto::probes
