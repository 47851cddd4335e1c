#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

#include "probes/NetworkServices.h"
#include "run/ItemPlan.h"
#include "ui/EventPump.h"

namespace zelto::run {

/// Default bound on the probes of a run in flight at once.
inline constexpr std::size_t kMaxInFlight = 64;

/// The probes of a run's items, all in flight together (at most `limit` at once; the rest
/// start as places come free, in item order), their outcomes read in item order on the UI
/// thread. A host name's lookup and the probe that follows it hold one place. Ending it
/// cancels every probe still in flight and waits for them all.
class ProbeFlight {
  public:
    ProbeFlight(probes::NetworkServices& probes, ui::EventPump& pump,
                const std::stop_token& runStop, std::size_t limit);
    ~ProbeFlight();
    ProbeFlight(const ProbeFlight&) = delete;
    ProbeFlight& operator=(const ProbeFlight&) = delete;

    /// Queues an item; returns its number for the awaits below.
    std::size_t add(ItemPlan plan);
    const ItemPlan& plan(std::size_t item) const { return plans_.at(item); }
    /// Starts the probes of queued items while places are free; the awaits do it too.
    void launch();

    /// Serves `pump` until the item's lookup has answered: the address, "" when the name is
    /// unknown; nullopt when `stopped()` came first.
    std::optional<std::string> awaitAddress(std::size_t item, ui::EventPump& pump,
                                            const std::function<bool()>& stopped);
    std::optional<probes::PingResult> awaitPing(std::size_t item, ui::EventPump& pump,
                                                const std::function<bool()>& stopped);
    std::optional<probes::ConnectResult> awaitConnect(std::size_t item, ui::EventPump& pump,
                                                      const std::function<bool()>& stopped);

  private:
    struct State;
    struct Outcome;

    void start(std::size_t item);
    template <class Value>
    std::optional<Value> await(std::size_t item, ui::EventPump& pump,
                               const std::function<bool()>& stopped,
                               std::optional<Value> Outcome::*field);

    probes::NetworkServices& probes_;
    std::stop_source cancel_;
    std::stop_callback<std::function<void()>> followRun_;
    std::shared_ptr<State> state_;
    // The UI thread's own: the plans and the first one not started yet.
    std::deque<ItemPlan> plans_;
    std::size_t next_ = 0;
    std::size_t limit_;
};

}  // namespace zelto::run
