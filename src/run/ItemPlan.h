#pragma once

#include <optional>
#include <string>

#include "netparams/NetParamsGatherer.h"
#include "profiles/ProfileContext.h"

namespace zelto::run {

/// What testing one item takes, decided before any probe of the run starts.
struct ItemPlan {
    enum class Kind {
        /// A "Blank!" item: the row has no more items.
        EndOfItems,
        /// Fails with `text` as its line, without a probe (keywords that found nothing).
        Fails,
        /// A dotted address with a port while Loop Back failed: fails with no line, no connect.
        SkippedConnect,
        Ping,
        Connect,
        /// `text` is a host name, looked up first.
        LookupThenPing,
        LookupThenConnect,
    };
    Kind kind = Kind::EndOfItems;
    /// The address, the host name, or the failure line.
    std::string text;
    /// The port the item gave, which becomes TargetPort when the item is tested.
    std::optional<int> port;

    bool looksUp() const { return kind == Kind::LookupThenPing || kind == Kind::LookupThenConnect; }
    bool connects() const { return kind == Kind::Connect || kind == Kind::LookupThenConnect; }
    bool probes() const { return kind >= Kind::Ping; }
};

/// The last item field of a row: the Loop Back row keeps its banner in the last field.
int lastItemField(int row);

/// Plans the items of a run. "autoconfig" items are filled from one snapshot of the network
/// parameters, gathered at the first such item of the run; the keyword goes back into its
/// field so that the next run fills it afresh.
class ItemPlanner {
  public:
    explicit ItemPlanner(profiles::ProfileContext& ctx);

    /// Plans item `field` of `row` of the current slot. `loopBackFailed`: the Loop Back row
    /// failed earlier in this run, so dotted items with a port are not connected to.
    ItemPlan plan(int row, int field, bool loopBackFailed);

  private:
    /// Gathers on the first call only.
    class OnceGatherer : public netparams::NetParamsGatherer {
      public:
        explicit OnceGatherer(netparams::NetParamsGatherer& real) : real_(real) {}
        void GatherNetParams(const std::string& mode, bool explanation) override;
        const netparams::Snapshot& snapshot() const override { return real_.snapshot(); }

      private:
        netparams::NetParamsGatherer& real_;
        bool gathered_ = false;
    };

    profiles::ProfileContext& ctx_;
    OnceGatherer once_;
    profiles::ProfileContext filling_;
};

}  // namespace zelto::run
