// A run waits for its probes without freezing the window and without burning CPU: events that
// reach the Qt event loop while a probe is in flight are served before the probe returns.

#include <sys/resource.h>

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "shell/QtEventPump.h"
#include "support/EngineRig.h"

namespace zelto::test {
namespace {

using namespace std::chrono_literals;

/// Pings answer at once; a connect sleeps (no polling) for 1.5 s and notes how many events the
/// UI thread had served by the time it returned.
struct SlowConnect : ThreadedProbes {
    probes::PingResult ping(const std::string&, std::stop_token) override {
        return {0, "0 ms", true};
    }
    std::string getIPFromHostName(const std::string&, std::stop_token) override {
        return "192.0.2.10";
    }
    probes::ConnectResult connect(const std::string&, int, std::stop_token) override {
        std::this_thread::sleep_for(1500ms);
        eventsAtReturn = eventsServed.load();
        return probes::ConnectResult::Connected;
    }
    std::atomic<int> eventsServed{0}, eventsAtReturn{-1};
};

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto secs = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return secs(u.ru_utime) + secs(u.ru_stime);
}

/// The application the Qt pump needs, made before the rig.
struct QtApp {
    int argc = 1;
    char name[8] = "test";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
};

struct Responsiveness : ::testing::Test, QtApp, EngineRig<SlowConnect, shell::QtEventPump> {};

TEST_F(Responsiveness, TimerTicksAreServedWhileAConnectWaitsAtAlmostNoCpu) {
    profile({{"Loop Back", {"127.0.0.1"}}, {"Web", {"192.0.2.1:80"}}});
    // A timer of the window, driven by a QTimer as the widget layer drives it.
    w.Timer2.setEnabled(true);
    w.Timer2.onTick = [&] { ++probes.eventsServed; };
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { w.Timer2.tick(); });
    timer.start(100);
    const double before = cpuSeconds();
    engine.RunTests_Click();
    const double used = cpuSeconds() - before;
    RecordProperty("cpu_ms", static_cast<int>(used * 1000));
    EXPECT_EQ(w.Status[1].text(), "passed");
    EXPECT_GE(probes.eventsAtReturn.load(), 5) << "timer ticks were not served during the wait";
    EXPECT_LT(used, 0.1) << "a 1.5 s wait used " << used << " s of CPU";
}

}  // namespace
}  // namespace zelto::test
