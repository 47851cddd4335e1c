#pragma once

#include <chrono>
#include <stop_token>
#include <thread>

namespace zelto::probes::test {

/// Requests a stop after a delay, on a thread of its own, and remembers when it did: how fast
/// a probe honours a stop is measured from that moment, not from the start of the probe.
class StopLater {
  public:
    using Clock = std::chrono::steady_clock;

    StopLater(std::stop_source& stop, Clock::duration delay)
        : thread_([this, &stop, delay] {
              std::this_thread::sleep_for(delay);
              requested_ = Clock::now();
              stop.request_stop();
          }) {}

    /// Time from the request to `returned`, the moment the probe came back.
    Clock::duration latencyUntil(Clock::time_point returned) {
        thread_.join();
        return returned - requested_;
    }

  private:
    Clock::time_point requested_;
    std::jthread thread_;
};

}  // namespace zelto::probes::test
