#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "netparams/NetParamsGatherer.h"
#include "netparams/NetSources.h"
#include "netparams/Snapshot.h"
#include "netparams/Timezone.h"

namespace zelto::netparams {

/// The main window's adapter indicator: the `Adapter_status` caption and which of the two
/// pictures `Adapter_check` and `Adapter_cross` shows.
struct AdapterIndicator {
    std::string caption;
    bool checkVisible = false;
    bool crossVisible = true;

    bool operator==(const AdapterIndicator&) const = default;
};

/// What one gather asks the screens to do, in this order: show a message box, show the report
/// in the Network Parameters text box, run the analysis, refresh the adapter indicator.
struct GatherOutcome {
    std::optional<std::string> message;
    bool showReport = false;
    bool analyze = false;
    std::optional<AdapterIndicator> indicator;
};

/// What a gather is for; callers name it by its word ("Everything", "KeyValues", "Analyze",
/// "Nothing"), and any other word (autoconfig's "gateway") only refreshes the snapshot.
enum class GatherMode { Everything, KeyValues, Analyze, Nothing, Other };
GatherMode gatherModeOf(const std::string& mode);

class Report;
class IndicatorClasses;
struct InterfaceStatus;

/// Gathers the network parameter snapshot and the report text from its platform sources.
class GetNetParams : public NetParamsGatherer {
  public:
    using OutcomeHandler = std::function<void(const GatherOutcome&)>;

    GetNetParams(ParamsSource& params, InterfaceSource& interfaces, DhcpSource& dhcp,
                 const Timezone& zone);

    /// Rebuilds the snapshot and the report for `mode` and hands the outcome to the handler.
    void GatherNetParams(const std::string& mode, bool explanation) override;
    const Snapshot& snapshot() const override { return snapshot_; }

    /// Like GatherNetParams, and returns the outcome too.
    const GatherOutcome& gather(const std::string& mode, bool explanation);
    /// The outcome of the last gather.
    const GatherOutcome& outcome() const { return outcome_; }
    /// Who applies outcomes to the screens (the main window); called after every gather.
    void setOutcomeHandler(OutcomeHandler handler) { handler_ = std::move(handler); }

  private:
    void reset(GatherMode mode);
    void run(GatherMode mode, bool explanation);
    void writeDns(Report& report, const std::vector<std::string>& servers, bool explanation);
    void writeNode(Report& report, const NetworkParams& p);
    void writeAdapter(Report& report, const InterfaceTable& table, const InterfaceRow& adapter,
                      int a, bool explanation, IndicatorClasses& classes);
    void writeAddresses(Report& report, std::vector<IpEntry> addresses, int a);
    void writeGateways(Report& report, std::vector<std::string> gateways, int a);
    void writeLease(Report& report, const std::optional<DhcpLease>& lease, int a);

    ParamsSource& params_;
    InterfaceSource& interfaces_;
    DhcpSource& dhcp_;
    const Timezone& timezone_;
    Snapshot snapshot_;
    GatherOutcome outcome_;
    OutcomeHandler handler_;
};

/// The report text for the command line: gathers in `mode` ("Everything" or "KeyValues") and
/// returns the report, which holds the failure line when the platform could not be read.
std::string parameterReport(GetNetParams& gatherer, const std::string& mode, bool explanation);

}  // namespace zelto::netparams
