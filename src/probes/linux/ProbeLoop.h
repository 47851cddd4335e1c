#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

#include "system/linux/Fd.h"

namespace zelto::probes {

/// One socket that the loop waits on for a probe. Every call comes on the loop's thread; the
/// task closes its socket and reports its outcome itself.
class LoopTask {
  public:
    using Clock = std::chrono::steady_clock;
    virtual ~LoopTask() = default;
    /// The socket to wait on, and for what (EPOLLIN, EPOLLOUT).
    virtual int fd() const = 0;
    virtual std::uint32_t events() const = 0;
    /// When the probe gives up waiting.
    virtual Clock::time_point deadline() const = 0;
    /// The socket is ready: true when the probe has its outcome.
    virtual bool ready(std::uint32_t events) = 0;
    /// The deadline passed.
    virtual void expire() = 0;
    /// The probe's stop was requested.
    virtual void cancel() = 0;
};

/// The one thread that waits for every echo and connect in flight: an epoll set of their
/// sockets, an eventfd to hear of new and cancelled tasks, and the nearest deadline as the
/// time-out. It sleeps without a tick while nothing is due.
class ProbeLoop {
  public:
    ProbeLoop();
    ~ProbeLoop();
    ProbeLoop(const ProbeLoop&) = delete;
    ProbeLoop& operator=(const ProbeLoop&) = delete;

    /// Whether the loop could be set up (an epoll set, an eventfd and a thread).
    bool usable() const { return thread_.joinable(); }

    /// Hands a task to the loop. A stop requested on `stop` cancels it on the loop's thread
    /// (at once when already requested).
    void add(std::unique_ptr<LoopTask> task, const std::stop_token& stop);

  private:
    struct Cancel {
        ProbeLoop* loop;
        std::uint64_t id;
        void operator()() const noexcept;
    };
    using OnStop = std::unique_ptr<std::stop_callback<Cancel>>;

    void run(const std::stop_token& stop);
    void takeQueued();
    void finish(std::uint64_t id);
    void dropOnStop(std::uint64_t id);
    int timeoutMs() const;
    void expireDue();
    void wake() const;

    system::Fd epoll_;
    system::Fd event_;
    std::mutex mutex_;
    std::uint64_t nextId_ = 1;
    std::vector<std::pair<std::uint64_t, std::unique_ptr<LoopTask>>> added_;
    std::vector<std::uint64_t> cancelled_;
    // The stop callbacks of the tasks that have a stop; registered after the task is queued.
    std::map<std::uint64_t, OnStop> onStop_;
    // Only the loop's thread touches this.
    std::map<std::uint64_t, std::unique_ptr<LoopTask>> live_;
    std::jthread thread_;
};

}  // namespace zelto::probes
