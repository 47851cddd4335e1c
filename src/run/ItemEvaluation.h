#pragma once

#include <stop_token>
#include <string>

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

/// True when inet_addr reads the address part of an item as neither INADDR_NONE nor 0, the
/// test that tells a dotted address from a host name.
bool isDottedAddress(const std::string& address);

/// Tests the network items of a run's rows: keywords, host names, ping or TCP connect. Each
/// probe runs off the UI thread while the pump serves events; requesting `stop` (what Stop
/// does) cuts the probe in flight short.
class ItemEvaluation {
  public:
    ItemEvaluation(RunContext& ctx, std::stop_source& stop);

    /// Evaluates item `field` (1 to 4) of `row` of the current slot, writing its result line
    /// and setting AnyItemFailed or AnyItemPassed.
    ItemOutcome Evaluate(int row, int field);

    /// Pings a dotted address and writes the success or failure line.
    ItemOutcome Pinged(std::string address);
    /// Readies a connect to LocalIP:TargetPort: ConnectState 0, pending events served.
    void PortScan();
    /// Makes the connect readied by PortScan and waits for it, blinking `blinkBox`; the
    /// outcome reaches Winsock1_connect or Winsock1_Error.
    ItemOutcome ConnectWait(ui::TextBox& blinkBox);
    /// The connect succeeded: success line, AnyItemPassed, ConnectState 2.
    void Winsock1_connect();
    /// The connect failed: failure line, AnyItemFailed, ConnectState 9.
    void Winsock1_Error();

  private:
    std::string GetIPFromHostName(const std::string& name);
    bool stopRequested() const;
    void failItem(const std::string& line);

    RunContext& ctx_;
    std::stop_source& stop_;
};

}  // namespace zelto::run
