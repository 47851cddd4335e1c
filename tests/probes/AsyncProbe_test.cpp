#include "probes/AsyncProbe.h"

#include <chrono>
#include <condition_variable>
#include <latch>
#include <mutex>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

#include "lab/Lab.h"
#include "probes/StopLater.h"
#include "probes/linux/LinuxNetworkServices.h"

namespace zelto::probes {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

/// Waits until stopped or `limit` passes; says which.
std::string waitForStop(const std::stop_token& token, Clock::duration limit) {
    std::mutex m;
    std::condition_variable_any cv;
    std::unique_lock lock(m);
    cv.wait_for(lock, token, limit, [] { return false; });
    return token.stop_requested() ? "stopped" : "finished";
}

TEST(AwaitProbe, TwoProbesInFlightOnOnePumpReturnTheirOwnResults) {
    ui::BlockingPump pump;
    std::latch bothRunning(2);
    auto probe = [&](int value, Clock::duration delay) {
        std::stop_source stop;
        return awaitProbe(pump, stop, [&, value, delay](const std::stop_token&) {
            bothRunning.arrive_and_wait();
            std::this_thread::sleep_for(delay);
            return value;
        });
    };
    int slow = 0;
    int fast = 0;
    {
        std::jthread a([&] { slow = probe(1, 80ms); });
        std::jthread b([&] { fast = probe(2, 10ms); });
    }
    EXPECT_EQ(slow, 1);
    EXPECT_EQ(fast, 2);
}

TEST(AwaitProbe, AStopEndsTheWaitPromptly) {
    ui::BlockingPump pump;
    std::stop_source stop;
    test::StopLater stopper(stop, 50ms);
    const std::string how = awaitProbe(
        pump, stop, [](const std::stop_token& token) { return waitForStop(token, 10s); });
    EXPECT_LT(stopper.latencyUntil(Clock::now()), 50ms);
    EXPECT_EQ(how, "stopped");
}

TEST(AwaitProbe, StoppingOneProbeLeavesAnotherInFlightAlone) {
    ui::BlockingPump pump;
    std::stop_source stopped;
    std::stop_source running;
    std::string first;
    std::string second;
    {
        std::jthread a([&] {
            first = awaitProbe(pump, stopped,
                               [](const std::stop_token& t) { return waitForStop(t, 5s); });
        });
        std::jthread b([&] {
            second = awaitProbe(pump, running,
                                [](const std::stop_token& t) { return waitForStop(t, 200ms); });
        });
        std::this_thread::sleep_for(30ms);
        stopped.request_stop();
    }
    EXPECT_EQ(first, "stopped");
    EXPECT_EQ(second, "finished");
    EXPECT_FALSE(running.stop_requested());
}

TEST(AwaitProbe, AnExceptionOfTheProbeReachesTheCaller) {
    ui::BlockingPump pump;
    std::stop_source stop;
    EXPECT_THROW(
        awaitProbe(pump, stop,
                   [](const std::stop_token&) -> int { throw std::runtime_error("boom"); }),
        std::runtime_error);
}

/// A pump that serves one timed event, the way a window serves a click on Stop.
class OneEventPump : public ui::EventPump {
  public:
    OneEventPump(Clock::duration after, std::function<void()> handler)
        : due_(Clock::now() + after), handler_(std::move(handler)) {}

    void processPending() override {}
    void waitUntil(const std::function<bool()>& done) override {
        std::unique_lock lock(mutex_);
        while (!done()) {
            if (handler_ && Clock::now() >= due_) {
                auto h = std::exchange(handler_, nullptr);
                lock.unlock();
                h();
                lock.lock();
                continue;
            }
            if (handler_)
                cv_.wait_until(lock, due_);
            else
                cv_.wait(lock);
        }
    }
    void wake() override {
        std::lock_guard lock(mutex_);
        cv_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    Clock::time_point due_;
    std::function<void()> handler_;
};

TEST(AwaitProbe, StopFromAnEventHandlerCancelsAConnectWithin50ms) {
    lab::inFreshNetns([] {
        lab::GatewayLab lab;
        lab.peer().ip("route add blackhole 10.201.0.0/16");
        LinuxNetworkServices net;
        std::stop_source stop;
        Clock::time_point clicked;
        OneEventPump pump(100ms, [&] {
            clicked = Clock::now();
            stop.request_stop();
        });
        const ConnectResult r = awaitProbe(pump, stop, [&](std::stop_token t) {
            return net.connect("10.201.0.5", 80, std::move(t));
        });
        EXPECT_EQ(r, ConnectResult::Cancelled);
        EXPECT_LT(Clock::now() - clicked, 50ms);
    });
}

}  // namespace
}  // namespace zelto::probes
