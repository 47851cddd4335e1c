#include "probes/linux/ProbeLoop.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>

#include <array>
#include <cerrno>
#include <system_error>

namespace zelto::probes {

namespace {

// The eventfd's key in the epoll set; tasks count from 1.
constexpr std::uint64_t kWakeKey = 0;

}  // namespace

void ProbeLoop::Cancel::operator()() const noexcept {
    {
        std::lock_guard lock(loop->mutex_);
        loop->cancelled_.push_back(id);
    }
    loop->wake();
}

ProbeLoop::ProbeLoop()
    : epoll_(::epoll_create1(EPOLL_CLOEXEC)), event_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (!epoll_.valid() || !event_.valid())
        return;
    epoll_event e{};
    e.events = EPOLLIN;
    e.data.u64 = kWakeKey;
    if (::epoll_ctl(epoll_.get(), EPOLL_CTL_ADD, event_.get(), &e) != 0)
        return;
    try {
        thread_ = std::jthread([this](const std::stop_token& stop) { run(stop); });
    } catch (const std::system_error&) {
        // Not usable: every task then ends as soon as it is added.
    }
}

ProbeLoop::~ProbeLoop() {
    if (thread_.joinable()) {
        thread_.request_stop();
        wake();
        thread_.join();
    }
    // Nobody may wait for ever on a probe that was still in flight.
    takeQueued();
    while (!live_.empty()) {
        const std::uint64_t id = live_.begin()->first;
        live_.begin()->second->cancel();
        finish(id);
    }
}

void ProbeLoop::wake() const {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(event_.get(), &one, sizeof one);
}

void ProbeLoop::add(std::unique_ptr<LoopTask> task, const std::stop_token& stop) {
    if (!usable()) {
        task->expire();
        return;
    }
    const bool stoppable = stop.stop_possible();
    std::uint64_t id = 0;
    {
        std::lock_guard lock(mutex_);
        id = nextId_++;
        added_.emplace_back(id, std::move(task));
        // A place for the stop callback; a task that finishes before it comes removes it.
        if (stoppable)
            onStop_.emplace(id, nullptr);
    }
    wake();
    if (!stoppable)
        return;
    // Registered after the task is queued, so a cancel always follows its task; a stop that
    // was requested already cancels at once.
    auto onStop = std::make_unique<std::stop_callback<Cancel>>(stop, Cancel{this, id});
    std::lock_guard lock(mutex_);
    const auto it = onStop_.find(id);
    if (it != onStop_.end())
        it->second = std::move(onStop);
    // Otherwise the task is over and `onStop` goes when this scope ends, after the lock: its
    // callback takes the lock.
}

void ProbeLoop::run(const std::stop_token& stop) {
    std::array<epoll_event, 64> ready{};
    while (!stop.stop_requested()) {
        const int n =
            ::epoll_wait(epoll_.get(), ready.data(), static_cast<int>(ready.size()), timeoutMs());
        for (int i = 0; i < n; ++i) {
            const std::uint64_t key = ready[static_cast<std::size_t>(i)].data.u64;
            if (key == kWakeKey) {
                std::uint64_t count = 0;
                [[maybe_unused]] const ssize_t r = ::read(event_.get(), &count, sizeof count);
                continue;
            }
            const auto it = live_.find(key);
            if (it != live_.end() && it->second->ready(ready[static_cast<std::size_t>(i)].events))
                finish(key);
        }
        takeQueued();
        expireDue();
    }
}

void ProbeLoop::takeQueued() {
    std::vector<std::pair<std::uint64_t, std::unique_ptr<LoopTask>>> added;
    std::vector<std::uint64_t> cancelled;
    {
        std::lock_guard lock(mutex_);
        added.swap(added_);
        cancelled.swap(cancelled_);
    }
    for (auto& [id, task] : added) {
        epoll_event e{};
        e.events = task->events();
        e.data.u64 = id;
        const bool watched = ::epoll_ctl(epoll_.get(), EPOLL_CTL_ADD, task->fd(), &e) == 0;
        LoopTask& t = *task;
        live_.emplace(id, std::move(task));
        if (!watched) {
            t.expire();
            finish(id);
        }
    }
    for (const std::uint64_t id : cancelled) {
        const auto it = live_.find(id);
        if (it == live_.end())
            continue;
        it->second->cancel();
        finish(id);
    }
}

void ProbeLoop::finish(std::uint64_t id) {
    const auto it = live_.find(id);
    if (it == live_.end())
        return;
    // A task that reported has closed its socket, which left the epoll set with it.
    if (it->second->fd() >= 0)
        ::epoll_ctl(epoll_.get(), EPOLL_CTL_DEL, it->second->fd(), nullptr);
    live_.erase(it);
    dropOnStop(id);
}

void ProbeLoop::dropOnStop(std::uint64_t id) {
    OnStop onStop;
    {
        std::lock_guard lock(mutex_);
        const auto it = onStop_.find(id);
        if (it == onStop_.end())
            return;
        onStop = std::move(it->second);
        onStop_.erase(it);
    }
    // Unregistered outside the lock: a callback running now on another thread takes it.
}

int ProbeLoop::timeoutMs() const {
    if (live_.empty())
        return -1;
    auto nearest = LoopTask::Clock::time_point::max();
    for (const auto& [id, task] : live_)
        nearest = std::min(nearest, task->deadline());
    const auto left = nearest - LoopTask::Clock::now();
    if (left <= LoopTask::Clock::duration::zero())
        return 0;
    // Rounded up, so the loop never wakes a hair early and spins once more.
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

void ProbeLoop::expireDue() {
    const auto now = LoopTask::Clock::now();
    std::vector<std::uint64_t> due;
    for (const auto& [id, task] : live_) {
        if (task->deadline() <= now)
            due.push_back(id);
    }
    for (const std::uint64_t id : due) {
        live_.at(id)->expire();
        finish(id);
    }
}

}  // namespace zelto::probes
