#include "run/BlinkingPump.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <thread>

namespace zelto::run {

BlinkingPump::BlinkingPump(ui::EventPump& inner, ui::TextBox& box, std::chrono::milliseconds phase)
    : inner_(inner), box_(box), phase_(phase) {}

void BlinkingPump::waitUntil(const std::function<bool()>& done) {
    // The blink follows the clock, not the number of wake-ups: a ticker sleeps one phase at a
    // time and wakes the pump, so a long connect costs a few wake-ups a second and no spinning.
    std::atomic<bool> due{false};
    std::jthread ticker([this, &due](const std::stop_token& stop) {
        std::mutex mutex;
        std::condition_variable_any sleeper;
        std::unique_lock lock(mutex);
        while (!sleeper.wait_for(lock, stop, phase_, [] { return false; })) {
            if (stop.stop_requested())
                return;
            due.store(true, std::memory_order_release);
            inner_.wake();
        }
    });
    bool magenta = true;
    while (!done()) {
        inner_.waitUntil([&] { return due.load(std::memory_order_acquire) || done(); });
        // The colour changes here, on the waiting thread, never inside the pump's predicate.
        if (due.exchange(false, std::memory_order_acq_rel)) {
            box_.setColor(magenta ? ui::kMagenta : ui::kDarkGrey);
            magenta = !magenta;
        }
    }
}

}  // namespace zelto::run
