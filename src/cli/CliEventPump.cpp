#include "cli/CliEventPump.h"

#include <utility>

namespace zelto::cli {

void CliEventPump::post(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    cv_.notify_all();
}

void CliEventPump::runPosted() {
    while (true) {
        std::function<void()> task;
        {
            std::lock_guard lock(mutex_);
            if (tasks_.empty())
                return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

void CliEventPump::processPending() {
    runPosted();
}

void CliEventPump::waitUntil(const std::function<bool()>& done) {
    while (true) {
        runPosted();
        if (done())
            return;
        std::unique_lock lock(mutex_);
        // The flag stays set until seen, so a wake() between done() and this wait is not lost.
        cv_.wait(lock, [this] { return woken_ || !tasks_.empty(); });
        woken_ = false;
    }
}

void CliEventPump::wake() {
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    cv_.notify_all();
}

}  // namespace zelto::cli
