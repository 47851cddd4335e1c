#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "run/ItemEvaluation.h"
#include "run/ItemPlan.h"
#include "run/ProbeFlight.h"
#include "run/RowOutcome.h"
#include "run/RunContext.h"

namespace zelto::run {

/// The test run engine: one run walks the checked rows of the current slot, tests their
/// items, classifies each row and ends with the overall status and the tray. It runs on the
/// UI thread and serves events (Stop, the timers, repaints) while probes are in flight.
///
/// Once the Loop Back row is classified (its outcome decides whether dotted items with a port
/// are connected to), the items of every other checked row are in flight at once; the walk
/// reads their outcomes in row and item order, so lines and controls are those of a run that
/// tests one item after the other, while the run costs about its slowest item.
class Engine {
  public:
    explicit Engine(RunContext ctx);
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    /// One complete run; returns when it has completed or stopped. Ignored while a run is in
    /// progress (the button, the tray menu's Start or a timer tick served during a wait).
    void RunTests_Click();
    /// "Stop tests": ends continuous runs, and a run in progress at its next check, cutting
    /// the probe in flight short.
    void btnStopTest_Click();
    /// The address watch (Timer1, every 1000 ms while this PC has no address).
    void Timer1_Timer();

    /// How many probes may be in flight at once; 1 tests one item after the other.
    void setMaxInFlight(std::size_t limit) { maxInFlight_ = limit; }

    /// Whether a run is in progress.
    bool running() const { return running_; }
    /// The countdown between continuous runs, in whole seconds, as the last run set it.
    int CountdownSeconds() const { return countdownSeconds_; }
    /// How row `row` ended in the last run (NotRun before the first, and for unchecked rows).
    RowOutcome outcome(int row) const { return outcomes_.at(static_cast<std::size_t>(row)); }

  private:
    enum class Walk { Completed, Stopped };

    /// The probes of one run and the items each row put in flight.
    struct Flight {
        Flight(RunContext& ctx, const std::stop_token& stop, std::size_t limit)
            : planner(ctx.profile), probes(ctx.profile.probes, ctx.pump, stop, limit) {}
        ItemPlanner planner;
        ProbeFlight probes;
        std::array<std::optional<std::vector<std::size_t>>, profiles::MaxTestRow + 1> rows;
    };

    void startRun();
    Walk walkRows();
    void planRow(Flight& flight, int row);
    Walk runRow(int row, Flight& flight, ItemEvaluation& items);
    RowOutcome classifyRow(int row);
    void beepAndShow(const ui::CheckBox& option);
    void endRun();
    void stopRun(int row);
    void finish();
    bool stopRequested() const;
    std::string thisPcAddress();

    RunContext ctx_;
    bool running_ = false;
    bool watching_ = false;
    int countdownSeconds_ = 0;
    std::size_t maxInFlight_ = kMaxInFlight;
    /// Requested by Stop; a fresh one for every run.
    std::stop_source stop_;
    std::string failedList_;
    std::string problemList_;
    std::array<RowOutcome, profiles::MaxTestRow + 1> outcomes_{};
};

}  // namespace zelto::run
