#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>

namespace zelto::ui {

/// How logic on the UI thread lets events be served while it waits for work done elsewhere.
class EventPump {
  public:
    virtual ~EventPump() = default;
    /// Serves the events that are pending now, without waiting.
    virtual void processPending() = 0;
    /// Serves events until `done()` holds; `done` is checked again after every wake().
    virtual void waitUntil(const std::function<bool()>& done) = 0;
    /// Thread-safe: makes a waiting waitUntil check its condition again.
    virtual void wake() = 0;
    /// Draws pending paint work now.
    virtual void repaint() {}
};

/// A pump with no events to serve: waitUntil sleeps until woken. For headless runs and tests.
class BlockingPump : public EventPump {
  public:
    void processPending() override {}
    void waitUntil(const std::function<bool()>& done) override {
        std::unique_lock lock(mutex_);
        cv_.wait(lock, [&] { return woken_ ? (woken_ = false, done()) : done(); });
    }
    void wake() override {
        {
            std::lock_guard lock(mutex_);
            woken_ = true;
        }
        cv_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool woken_ = false;
};

}  // namespace zelto::ui
