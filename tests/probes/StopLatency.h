#pragma once

#include <chrono>
#include <functional>
#include <stop_token>
#include <thread>

namespace zelto::probes::test {

/// Runs `probe` while a thread of its own requests a stop 100 ms in: the time from the request
/// to the probe's return (measured from the request, so a late stopper is not the probe's fault;
/// the longest time there is when the probe came back before it).
inline std::chrono::steady_clock::duration stopLatency(
    const std::function<void(std::stop_token)>& probe) {
    using Clock = std::chrono::steady_clock;
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

}  // namespace zelto::probes::test
