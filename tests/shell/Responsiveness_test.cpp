// A run waits for its probes without freezing the window and without burning CPU: events that
// reach the Qt event loop while a probe is in flight are served before the probe returns.

#include <sys/resource.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "shell/QtEventPump.h"
#include "support/EngineRig.h"

namespace zelto::test {
namespace {

using namespace std::chrono_literals;

/// Pings answer at once; a connect sleeps (no polling) for `connectTime` or until stopped,
/// and notes how many events the UI thread had served by the time it returned.
struct SlowConnect : ThreadedProbes {
    probes::PingResult ping(const std::string&, std::stop_token) override {
        return {0, "0 ms", true};
    }
    std::string getIPFromHostName(const std::string&, std::stop_token) override {
        return "192.0.2.10";
    }
    probes::ConnectResult connect(const std::string&, int, std::stop_token stop) override {
        std::mutex m;
        std::condition_variable_any cv;
        std::unique_lock lock(m);
        (void)cv.wait_for(lock, stop, connectTime, [] { return false; });
        eventsAtReturn = eventsServed.load();
        return stop.stop_requested() ? probes::ConnectResult::Cancelled
                                     : probes::ConnectResult::Connected;
    }
    std::chrono::milliseconds connectTime{1500ms};
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

TEST_F(Responsiveness, TimerTicksAndAStopAreServedWhileAConnectWaitsAtAlmostNoCpu) {
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

    // The Stop click arrives from outside, as a posted event, and cuts the connect short.
    probes.connectTime = 10s;
    bool stopServedWhileRunning = false;
    std::jthread user([&] {
        std::this_thread::sleep_for(400ms);
        QMetaObject::invokeMethod(
            &app,
            [&] {
                stopServedWhileRunning = engine.running();
                engine.btnStopTest_Click();
            },
            Qt::QueuedConnection);
    });
    const auto start = std::chrono::steady_clock::now();
    engine.RunTests_Click();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s) << "Stop did not reach the connect";
    EXPECT_TRUE(stopServedWhileRunning);
    EXPECT_EQ(w.Status[1].text(), "Stopped");
}

}  // namespace
}  // namespace zelto::test
