#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "probes/NetworkServices.h"
#include "run/ProbeFlight.h"
#include "run/RunContext.h"
#include "ui/Controls.h"

namespace zelto::run {

/// What evaluating one item tells the run.
enum class ItemOutcome {
    /// Go on with the next item.
    Next,
    /// A "Blank!" item: the row has no more items.
    EndOfItems,
    /// Stop was pressed while the item was being tested.
    Stop,
};

/// Reads the outcome of one item's probes, in item order, and writes what testing it one
/// after the other would: LocalIP and TargetPort, the result lines, AnyItemFailed or
/// AnyItemPassed. The probes themselves are in flight already.
class ItemEvaluation {
  public:
    /// `stopped`: whether Stop was pressed.
    ItemEvaluation(RunContext& ctx, ProbeFlight& flight, std::function<bool()> stopped);

    /// Evaluates the item that `flight` holds as `item`, of `row`.
    ItemOutcome Evaluate(int row, std::size_t item);

  private:
    ItemOutcome Pinged(std::size_t item, const std::string& address);
    /// ConnectState 0 and pending events served, as before any connect.
    void PortScan();
    /// Waits for the connect, blinking `blinkBox`; the outcome reaches Winsock1_connect or
    /// Winsock1_Error.
    ItemOutcome ConnectWait(std::size_t item, const std::string& address, ui::TextBox& blinkBox);
    void Winsock1_connect();
    void Winsock1_Error();
    void failItem(const std::string& line);

    RunContext& ctx_;
    ProbeFlight& flight_;
    std::function<bool()> stopped_;
};

}  // namespace zelto::run
