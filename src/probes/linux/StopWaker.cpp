#include "probes/linux/StopWaker.h"

#include <poll.h>
#include <sys/eventfd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace zelto::probes {

namespace {

// Without an eventfd (descriptors exhausted) the wait is cut into slices this long, so that a
// stop is still seen in time.
constexpr std::chrono::milliseconds kStopSlice{20};

}  // namespace

void StopWaker::Wake::operator()() const noexcept {
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(fd, &one, sizeof one);
}

StopWaker::StopWaker(std::stop_token stop) : token_(std::move(stop)) {
    // A token that can never be stopped needs no eventfd: that saves two system calls a probe.
    if (!token_.stop_possible())
        return;
    event_.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (event_.valid())
        callback_.emplace(token_, Wake{event_.get()});
}

StopWaker::Outcome StopWaker::wait(int fd, short events,
                                   std::chrono::steady_clock::time_point deadline,
                                   short& revents) const {
    using namespace std::chrono;
    for (;;) {
        if (token_.stop_requested())
            return Outcome::Stopped;
        const auto now = steady_clock::now();
        if (now >= deadline)
            return Outcome::TimedOut;
        // Round up so that poll never returns a hair before the deadline and spins once more.
        auto left = ceil<milliseconds>(deadline - now);
        if (token_.stop_possible() && !event_.valid())
            left = std::min(left, kStopSlice);
        pollfd fds[2] = {{fd, events, 0}, {event_.get(), POLLIN, 0}};
        const nfds_t count = event_.valid() ? 2 : 1;
        const int n = ::poll(fds, count, static_cast<int>(left.count()));
        if (n < 0 && errno != EINTR)
            return Outcome::Failed;
        if (n > 0 && fds[0].revents != 0) {
            revents = fds[0].revents;
            return Outcome::Ready;
        }
    }
}

}  // namespace zelto::probes
