#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "ui/EventPump.h"

namespace zelto::cli {

/// The headless event pump: waits without spinning, like BlockingPump, and also serves work
/// that other threads post to the UI thread (a signal that asks for Stop), at the points where
/// the desktop program would serve window events.
class CliEventPump : public ui::EventPump {
  public:
    /// Thread-safe: queues `task` to run on the thread that serves this pump.
    void post(std::function<void()> task);

    void processPending() override;
    void waitUntil(const std::function<bool()>& done) override;
    void wake() override;

  private:
    /// Runs the queued tasks, each outside the lock so that it may post or wait itself.
    void runPosted();

    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> tasks_;
    bool woken_ = false;
};

}  // namespace zelto::cli
