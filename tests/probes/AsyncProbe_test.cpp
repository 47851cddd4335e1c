#include "probes/AsyncProbe.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

#include "probes/StopLater.h"

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

// One probe is stopped while another on the same pump runs on: the stop reaches only its own
// probe, promptly, and each caller gets its own result.
TEST(AwaitProbe, AStopEndsItsOwnProbePromptlyAndLeavesAnotherAlone) {
    ui::BlockingPump pump;
    std::stop_source stopped;
    std::stop_source running;
    std::string first;
    std::string second;
    Clock::duration latency{};
    {
        std::jthread b([&] {
            second = awaitProbe(pump, running,
                                [](const std::stop_token& t) { return waitForStop(t, 200ms); });
        });
        test::StopLater stopper(stopped, 50ms);
        first =
            awaitProbe(pump, stopped, [](const std::stop_token& t) { return waitForStop(t, 10s); });
        latency = stopper.latencyUntil(Clock::now());
    }
    EXPECT_LT(latency, 50ms);
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

}  // namespace
}  // namespace zelto::probes
