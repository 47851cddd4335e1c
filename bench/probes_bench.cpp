// How fast the probes answer and how little they cost while they wait. The whole program runs
// in a network namespace of its own (it needs root): pings and connects go to that namespace's
// loopback, the long connect to a blackhole behind a peer namespace. Nothing reaches the
// machine's network.
//
//   probes_bench --benchmark_counters_tabular=true

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "BenchNetns.h"

#include "probes/ProbeLines.h"
#include "probes/linux/LinuxNetworkServices.h"
#include "system/linux/Fd.h"
#if ZELTO_HAVE_LAB
#include "lab/Lab.h"
#endif

namespace {

using namespace zelto::probes;
using Clock = std::chrono::steady_clock;

/// Refuses ICMP datagram sockets, so that the probe takes the raw-socket path.
class RawOnly : public zelto::system::SystemCalls {
  public:
    int socket(int domain, int type, int protocol) override {
        if ((type & 0xF) == SOCK_DGRAM && protocol == IPPROTO_ICMP) {
            errno = EACCES;
            return -1;
        }
        return zelto::system::SystemCalls::socket(domain, type, protocol);
    }
};

double micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

/// Median and 90th percentile of single-call times, beside the benchmark's own mean.
void reportLatencies(benchmark::State& state, std::vector<double>& us) {
    if (us.empty())
        return;
    std::sort(us.begin(), us.end());
    state.counters["median_us"] = us[us.size() / 2];
    state.counters["p90_us"] = us[us.size() * 9 / 10];
}

void LoopbackPing(benchmark::State& state) {
    const bool raw = state.range(0) == 1;
    const bool stoppable = state.range(1) == 1;
    RawOnly rawOnly;
    LinuxNetworkServices::Options o;
    if (raw)
        o.calls = &rawOnly;
    LinuxNetworkServices net(o);
    std::stop_source stop;
    const std::stop_token token = stoppable ? stop.get_token() : std::stop_token{};
    std::vector<double> us;
    for (auto _ : state) {
        const auto start = Clock::now();
        const PingResult r = net.ping("127.0.0.1", token);
        us.push_back(micros(Clock::now() - start));
        if (!pingPassed(r)) {
            state.SkipWithError("the loopback ping failed");
            break;
        }
    }
    reportLatencies(state, us);
    state.SetLabel(std::string(raw ? "raw" : "datagram") + (stoppable ? ", stop token" : ""));
}
BENCHMARK(LoopbackPing)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"raw", "stoppable"})
    ->Unit(benchmark::kMicrosecond);

void LoopbackConnect(benchmark::State& state) {
    const zelto::system::Fd listener(
        ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    if (::bind(listener.get(), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(listener.get(), 4096) != 0 ||
        ::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&a), &size) != 0) {
        state.SkipWithError("no listener");
        return;
    }
    // Accepted and dropped at once, so the backlog never fills.
    std::jthread acceptor([&](const std::stop_token& stop) {
        while (!stop.stop_requested()) {
            pollfd p{listener.get(), POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            for (int c; (c = ::accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC)) >= 0;)
                ::close(c);
        }
    });
    LinuxNetworkServices net;
    const int port = ntohs(a.sin_port);
    std::vector<double> us;
    for (auto _ : state) {
        const auto start = Clock::now();
        const ConnectResult r = net.connect("127.0.0.1", port, {});
        us.push_back(micros(Clock::now() - start));
        if (r != ConnectResult::Connected) {
            state.SkipWithError("the loopback connect failed");
            break;
        }
    }
    reportLatencies(state, us);
}
BENCHMARK(LoopbackConnect)->Unit(benchmark::kMicrosecond);

// 1000 pings one after the other, against iputils ping doing the same in the same run.
void ThousandPings(benchmark::State& state) {
    LinuxNetworkServices net;
    for (auto _ : state) {
        const auto start = Clock::now();
        for (int i = 0; i < 1000; ++i) {
            if (!pingPassed(net.ping("127.0.0.1", {}))) {
                state.SkipWithError("a loopback ping failed");
                return;
            }
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    state.SetLabel("zelto, datagram socket");
}
BENCHMARK(ThousandPings)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

void ThousandPingsIputils(benchmark::State& state) {
    for (auto _ : state) {
        const auto start = Clock::now();
        const pid_t pid = ::fork();
        if (pid == 0) {
            std::freopen("/dev/null", "w", stdout);
            ::execlp("ping", "ping", "-q", "-n", "-c", "1000", "-i", "0", "127.0.0.1", nullptr);
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("iputils ping failed");
            return;
        }
    }
    state.SetLabel("ping -c 1000 -i 0 127.0.0.1 (process start included)");
}
BENCHMARK(ThousandPingsIputils)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

#if ZELTO_HAVE_LAB
double threadCpuMs() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The CPU a probe burns while it waits for an answer that never comes: a connect for its full
// 20 seconds and a ping for its 800 ms, both to a blackhole behind the peer.
void WaitingCost(benchmark::State& state) {
    const bool connect = state.range(0) == 1;
    zelto::lab::GatewayLab lab;
    lab.peer().ip("route add blackhole 10.201.0.0/16");
    LinuxNetworkServices net;
    std::stop_source stop;  // a live token: the eventfd path the run engine takes
    for (auto _ : state) {
        const double cpu = threadCpuMs();
        const auto start = Clock::now();
        bool failed = connect
                          ? net.connect("10.201.0.5", 80, stop.get_token()) == ConnectResult::Failed
                          : net.ping("10.201.0.5", stop.get_token()).status == kPingTimedOut;
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        state.counters["cpu_ms"] = threadCpuMs() - cpu;
        if (!failed)
            state.SkipWithError("the probe did not wait for its limit");
    }
    state.SetLabel(connect ? "connect, 20 s limit" : "ping, 800 ms time-out");
}
BENCHMARK(WaitingCost)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("connect")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
#endif

}  // namespace

int main(int argc, char** argv) {
    // Threads made later inherit this namespace; so do the peers and ping(8).
    if (!zelto::bench::enterOwnNetns("probes_bench"))
        return 1;
    // Datagram ICMP sockets for root, and enough client ports for many short connects.
    zelto::bench::writeSysctl("/proc/sys/net/ipv4/ip_local_port_range", "1024 65535");
    zelto::bench::writeSysctl("/proc/sys/net/ipv4/tcp_tw_reuse", "1");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
