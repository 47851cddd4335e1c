#include "run/ProbeFlight.h"

#include <condition_variable>
#include <mutex>
#include <utility>

namespace zelto::run {

/// What an item's probes have handed back so far.
struct ProbeFlight::Outcome {
    std::optional<std::string> address;
    std::optional<probes::PingResult> ping;
    std::optional<probes::ConnectResult> connect;
};

/// Shared with the probes' receivers, which run on other threads.
struct ProbeFlight::State {
    explicit State(ui::EventPump& p) : pump(p) {}

    ui::EventPump& pump;
    std::mutex mutex;
    std::condition_variable settled;
    std::deque<Outcome> outcomes;
    std::size_t active = 0;
    // Receivers between writing an outcome and waking the pump; the pump must outlive them.
    std::size_t waking = 0;

    /// Writes an outcome; `over` frees the item's place.
    template <class Write>
    void record(std::size_t item, bool over, Write write) {
        {
            std::lock_guard lock(mutex);
            write(outcomes[item]);
            if (over)
                --active;
            ++waking;
        }
        // Not under the lock: a pump may hold its own lock while it asks for outcomes.
        pump.wake();
        {
            std::lock_guard lock(mutex);
            --waking;
        }
        settled.notify_all();
    }
};

ProbeFlight::ProbeFlight(probes::NetworkServices& probes, ui::EventPump& pump,
                         const std::stop_token& runStop, std::size_t limit)
    : probes_(probes),
      followRun_(runStop, [this] { cancel_.request_stop(); }),
      state_(std::make_shared<State>(pump)),
      limit_(limit == 0 ? 1 : limit) {}

ProbeFlight::~ProbeFlight() {
    cancel_.request_stop();
    // Every probe answers a stop at once; none may outlive the run that reads its outcome.
    std::unique_lock lock(state_->mutex);
    state_->settled.wait(lock, [this] { return state_->active == 0 && state_->waking == 0; });
}

std::size_t ProbeFlight::add(ItemPlan plan) {
    plans_.push_back(std::move(plan));
    std::lock_guard lock(state_->mutex);
    state_->outcomes.emplace_back();
    return plans_.size() - 1;
}

void ProbeFlight::launch() {
    for (; next_ < plans_.size(); ++next_) {
        if (!plans_[next_].probes())
            continue;
        {
            std::lock_guard lock(state_->mutex);
            if (state_->active >= limit_)
                return;
            ++state_->active;
        }
        start(next_);
    }
}

void ProbeFlight::start(std::size_t item) {
    const ItemPlan& p = plans_[item];
    const std::stop_token stop = cancel_.get_token();
    auto state = state_;
    auto probe = [state, item, stop, &probes = probes_, connects = p.connects(),
                  port = p.port.value_or(0)](const std::string& address) {
        if (connects) {
            probes.startConnect(address, port, stop, [state, item](probes::ConnectResult r) {
                state->record(item, true, [r](Outcome& o) { o.connect = r; });
            });
        } else {
            probes.startPing(address, stop, [state, item](probes::PingResult r) {
                state->record(item, true, [&r](Outcome& o) { o.ping = std::move(r); });
            });
        }
    };
    if (!p.looksUp()) {
        probe(p.text);
        return;
    }
    probes_.startLookup(p.text, stop, [state, item, stop, probe](std::string address) {
        // An unknown name, or a stop, ends the item here; else its probe takes over the place.
        const bool over = address.empty() || stop.stop_requested();
        state->record(item, over, [&address](Outcome& o) { o.address = address; });
        if (!over)
            probe(address);
    });
}

template <class Value>
std::optional<Value> ProbeFlight::await(std::size_t item, ui::EventPump& pump,
                                        const std::function<bool()>& stopped,
                                        std::optional<Value> Outcome::*field) {
    for (;;) {
        launch();
        std::optional<Value> value;
        bool placeFree = false;
        pump.waitUntil([&] {
            std::lock_guard lock(state_->mutex);
            value = state_->outcomes[item].*field;
            placeFree = next_ < plans_.size() && state_->active < limit_;
            return value.has_value() || placeFree || stopped();
        });
        // An outcome that came with the stop still counts; the run stops after it.
        if (value)
            return value;
        if (!placeFree || stopped())
            return std::nullopt;
    }
}

std::optional<std::string> ProbeFlight::awaitAddress(std::size_t item, ui::EventPump& pump,
                                                     const std::function<bool()>& stopped) {
    return await(item, pump, stopped, &Outcome::address);
}

std::optional<probes::PingResult> ProbeFlight::awaitPing(std::size_t item, ui::EventPump& pump,
                                                         const std::function<bool()>& stopped) {
    return await(item, pump, stopped, &Outcome::ping);
}

std::optional<probes::ConnectResult> ProbeFlight::awaitConnect(
    std::size_t item, ui::EventPump& pump, const std::function<bool()>& stopped) {
    return await(item, pump, stopped, &Outcome::connect);
}

}  // namespace zelto::run
