// What a whole run costs: the wall time of a loopback-only profile, of 7 rows of 4 echoes that
// nobody answers and of 3 rows of 3 connects into a blackhole, the threads and descriptors at
// the peak of a run, and the CPU the process uses while a run waits 20 seconds on a connect
// that never answers. The program runs in a network namespace of its own (it needs root); the
// unanswered probes go to a blackhole behind a peer namespace. Nothing reaches the machine's
// network.
//
//   engine_bench --benchmark_counters_tabular=true --benchmark_repetitions=5

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "BenchNetns.h"

#include "probes/linux/LinuxNetworkServices.h"
#include "shell/QtEventPump.h"
#include "support/EngineRig.h"
#include "system/linux/Fd.h"
#include "ui/EventPump.h"
#if ZELTO_HAVE_LAB
#include "lab/Lab.h"
#endif

namespace {

using namespace zelto;
using Clock = std::chrono::steady_clock;

/// The tests' engine rig over the real probes, headless or under the Qt event loop.
template <class Pump>
using Rig = test::EngineRig<probes::LinuxNetworkServices, Pump>;

/// A loopback listener that accepts and drops every connection.
struct Listener {
    Listener() : socket(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        ok = ::bind(socket.get(), reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
             ::listen(socket.get(), 4096) == 0 &&
             ::getsockname(socket.get(), reinterpret_cast<sockaddr*>(&a), &size) == 0;
        port = ntohs(a.sin_port);
        acceptor = std::jthread([this](std::stop_token stop) {
            while (!stop.stop_requested()) {
                pollfd p{socket.get(), POLLIN, 0};
                if (::poll(&p, 1, 20) <= 0)
                    continue;
                for (int c; (c = ::accept4(socket.get(), nullptr, nullptr, SOCK_CLOEXEC)) >= 0;)
                    ::close(c);
            }
        });
    }
    system::Fd socket;
    bool ok = false;
    int port = 0;
    std::jthread acceptor;
};

double processCpuMs() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
    };
    return ms(u.ru_utime) + ms(u.ru_stime);
}

// Seven rows of four items on loopback: a ping and a connect by address, the same by name.
template <class Pump>
void LoopbackRun(benchmark::State& state) {
    const Listener listener;
    if (!listener.ok) {
        state.SkipWithError("no listener");
        return;
    }
    Rig<Pump> rig;
    const std::string port = std::to_string(listener.port);
    std::vector<test::Row> rows;
    for (int r = 0; r <= profiles::MaxTestRow - 1; ++r) {
        rows.push_back({r == 0 ? "Loop Back" : "Row" + std::to_string(r),
                        {"127.0.0.1", "127.0.0.1:" + port, "localhost", "localhost:" + port}});
    }
    rig.profile(rows);
    for (auto _ : state) {
        rig.engine.RunTests_Click();
        // A namespace with only lo gives this PC no address; every row must still pass.
        for (int r = 0; r < rig.session.TestCount; ++r) {
            if (rig.w.Status[r].text() != "passed") {
                state.SkipWithError(("a row did not pass: " + rig.w.Results1.text()).c_str());
                return;
            }
        }
    }
}
BENCHMARK_TEMPLATE(LoopbackRun, ui::BlockingPump)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(LoopbackRun, shell::QtEventPump)->Unit(benchmark::kMillisecond);

#if ZELTO_HAVE_LAB
/// Samples the process's threads and open descriptors every millisecond while it lives.
struct PeakSampler {
    PeakSampler()
        : sampler([this](std::stop_token stop) {
              while (!stop.stop_requested()) {
                  threads = std::max(threads.load(), zelto::lab::countEntries("/proc/self/task"));
                  fds = std::max(fds.load(), zelto::lab::countEntries("/proc/self/fd"));
                  std::this_thread::sleep_for(std::chrono::milliseconds(1));
              }
          }) {}
    std::atomic<std::size_t> threads{0}, fds{0};
    std::jthread sampler;
};

/// Rows 1 to `rows` of `items` items each, every one unanswered behind the blackhole: a ping,
/// or a connect to port 80 when `connects`.
void blackholedRun(benchmark::State& state, int rows, int items, bool connects) {
    zelto::lab::GatewayLab lab;
    lab.peer().ip("route add blackhole 10.201.0.0/16");
    Rig<ui::BlockingPump> rig;
    std::vector<test::Row> profile{{"Loop Back", {"127.0.0.1"}}};
    for (int r = 1; r <= rows; ++r) {
        test::Row row{"Row" + std::to_string(r), {}};
        for (int k = 1; k <= items; ++k) {
            row.items.push_back("10.201." + std::to_string(r) + "." + std::to_string(k) +
                                (connects ? ":80" : ""));
        }
        profile.push_back(row);
    }
    rig.profile(profile);
    const std::size_t idleThreads = zelto::lab::countEntries("/proc/self/task");
    const std::size_t idleFds = zelto::lab::countEntries("/proc/self/fd");
    for (auto _ : state) {
        PeakSampler peak;
        const auto start = Clock::now();
        rig.engine.RunTests_Click();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        // The sampler's own thread does not count.
        state.counters["peak_threads"] = static_cast<double>(peak.threads.load() - 1);
        state.counters["peak_fds"] = static_cast<double>(peak.fds.load());
        state.counters["idle_threads"] = static_cast<double>(idleThreads);
        state.counters["idle_fds"] = static_cast<double>(idleFds);
        for (int r = 1; r <= rows; ++r) {
            if (rig.w.Status[r].text() != "failed. Click cross")
                state.SkipWithError(("a row did not fail: " + rig.w.Results1.text()).c_str());
        }
    }
    state.SetLabel(std::to_string(rows) + " x " + std::to_string(items) +
                   (connects ? " blackholed connects" : " unanswered pings"));
}

void UnansweredPings7x4(benchmark::State& state) {
    blackholedRun(state, 7, 4, false);
}
BENCHMARK(UnansweredPings7x4)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BlackholedConnects3x3(benchmark::State& state) {
    blackholedRun(state, 3, 3, true);
}
BENCHMARK(BlackholedConnects3x3)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// A run whose one connect never hears back: it waits the full 20 seconds under the Qt event
// loop, with a one-second timer ticking as the countdown and the address watch do.
void BlackholeConnectRun(benchmark::State& state) {
    zelto::lab::GatewayLab lab;
    lab.peer().ip("route add blackhole 10.201.0.0/16");
    Rig<shell::QtEventPump> rig;
    rig.profile({{"Loop Back", {"127.0.0.1"}}, {"Far", {"10.201.0.5:80"}}});
    QTimer tick;
    int ticks = 0;
    QObject::connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
    tick.start(1000);
    for (auto _ : state) {
        const double cpu = processCpuMs();
        const auto start = Clock::now();
        rig.engine.RunTests_Click();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        state.counters["cpu_ms"] = processCpuMs() - cpu;
        state.counters["ticks"] = ticks;
        if (rig.w.Status[1].text() != "failed. Click cross")
            state.SkipWithError("the connect did not fail");
    }
    state.SetLabel("connect to a blackhole, Qt event pump");
}
BENCHMARK(BlackholeConnectRun)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
#endif

}  // namespace

int main(int argc, char** argv) {
    // Threads made later inherit this namespace; so do the lab's peers.
    if (!zelto::bench::enterOwnNetns("engine_bench"))
        return 1;
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
