#pragma once

#include <chrono>
#include <optional>
#include <stop_token>

#include "system/linux/Fd.h"

namespace zelto::probes {

/// Lets a thread sleep in poll() on a socket and still wake the moment its stop token is
/// requested: an eventfd that a std::stop_callback makes readable.
class StopWaker {
  public:
    explicit StopWaker(std::stop_token stop);
    StopWaker(const StopWaker&) = delete;
    StopWaker& operator=(const StopWaker&) = delete;

    enum class Outcome { Ready, TimedOut, Stopped, Failed };

    /// Waits until `fd` reports one of `events` (its revents land in `revents`), `deadline`
    /// passes or stop is requested, whichever comes first; Failed when poll itself fails.
    Outcome wait(int fd, short events, std::chrono::steady_clock::time_point deadline,
                 short& revents) const;
    bool stopped() const { return token_.stop_requested(); }

  private:
    struct Wake {
        int fd;
        void operator()() const noexcept;
    };

    std::stop_token token_;
    system::Fd event_;
    // Declared after the eventfd so that it is unregistered before the eventfd closes.
    std::optional<std::stop_callback<Wake>> callback_;
};

}  // namespace zelto::probes
