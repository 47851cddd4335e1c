#include "run/ItemEvaluation.h"

#include <utility>

#include "probes/ProbeLines.h"
#include "profiles/Session.h"
#include "run/BlinkingPump.h"

namespace zelto::run {

using profiles::kConnected;
using profiles::kConnectError;
using profiles::kStopRequested;
using profiles::kWaiting;

ItemEvaluation::ItemEvaluation(RunContext& ctx, ProbeFlight& flight, std::function<bool()> stopped)
    : ctx_(ctx), flight_(flight), stopped_(std::move(stopped)) {}

void ItemEvaluation::failItem(const std::string& line) {
    ctx_.results.ShowResult(line, false, true);
    ctx_.profile.session.Run.AnyItemFailed = true;
}

ItemOutcome ItemEvaluation::Evaluate(int row, std::size_t item) {
    using Kind = ItemPlan::Kind;
    profiles::Session& s = ctx_.profile.session;
    auto& w = ctx_.controls;
    const ItemPlan& plan = flight_.plan(item);
    switch (plan.kind) {
        case Kind::EndOfItems:
            return ItemOutcome::EndOfItems;
        case Kind::Fails:
            failItem(plan.text);
            return ItemOutcome::Next;
        default:
            break;
    }
    if (plan.port)
        s.Run.TargetPort = *plan.port;
    switch (plan.kind) {
        case Kind::SkippedConnect:
            s.LocalIP = plan.text;
            s.Run.AnyItemFailed = true;
            return ItemOutcome::Next;
        case Kind::Ping:
            s.LocalIP = plan.text;
            return Pinged(item, plan.text);
        case Kind::Connect:
            s.LocalIP = plan.text;
            PortScan();
            return ConnectWait(item, plan.text, w.Status[row]);
        default:
            break;
    }

    const auto address = flight_.awaitAddress(item, ctx_.pump, stopped_);
    if (!address || stopped_())
        return ItemOutcome::Stop;
    s.LocalIP = *address;
    if (address->empty()) {
        failItem("!!!!!!!!!!! Unable to get the IP address for " + plan.text);
        return ItemOutcome::Next;
    }
    ctx_.results.ShowResult("            -- Resolved " + plan.text + " to " + *address,
                            w.ErrorsOnly.value(), true);
    if (plan.kind == Kind::LookupThenPing)
        return Pinged(item, *address);
    PortScan();
    return ConnectWait(item, *address, w.TestStatus);
}

ItemOutcome ItemEvaluation::Pinged(std::size_t item, const std::string& address) {
    const auto result = flight_.awaitPing(item, ctx_.pump, stopped_);
    // A ping cut short by Stop proves nothing either way, so it writes no line.
    if (!result || result->status == probes::kPingCancelled)
        return ItemOutcome::Stop;
    if (probes::pingPassed(*result)) {
        ctx_.results.ShowResult(probes::pingSuccessLine(address, result->roundTrip),
                                ctx_.controls.ErrorsOnly.value(), true);
        ctx_.profile.session.Run.AnyItemPassed = true;
    } else {
        failItem(probes::pingFailureLine(address));
    }
    return ItemOutcome::Next;
}

void ItemEvaluation::PortScan() {
    ctx_.profile.session.Run.ConnectState = kWaiting;
    ctx_.pump.processPending();
}

ItemOutcome ItemEvaluation::ConnectWait(std::size_t item, const std::string& address,
                                        ui::TextBox& blinkBox) {
    profiles::Session& s = ctx_.profile.session;
    BlinkingPump blinking(ctx_.pump, blinkBox);
    const auto result = flight_.awaitConnect(item, blinking, stopped_);
    // Stop closed the connect: no event, no line.
    if (!result || *result == probes::ConnectResult::Cancelled)
        return ItemOutcome::Stop;
    const bool stopped = stopped_();
    // Handlers served during the wait (the address watch) may have moved LocalIP; the line
    // must name the address that was connected to.
    s.LocalIP = address;
    if (*result == probes::ConnectResult::Connected)
        Winsock1_connect();
    else
        Winsock1_Error();
    if (stopped) {
        // The connect ended just as Stop came; its line stands, the stop still holds.
        s.Run.ConnectState = kStopRequested;
        return ItemOutcome::Stop;
    }
    return ItemOutcome::Next;
}

void ItemEvaluation::Winsock1_connect() {
    profiles::Session& s = ctx_.profile.session;
    ctx_.results.ShowResult(probes::connectSuccessLine(s.LocalIP, s.Run.TargetPort),
                            ctx_.controls.ErrorsOnly.value(), true);
    s.Run.AnyItemPassed = true;
    s.Run.ConnectState = kConnected;
}

void ItemEvaluation::Winsock1_Error() {
    profiles::Session& s = ctx_.profile.session;
    failItem(probes::connectFailureLine(s.LocalIP, s.Run.TargetPort));
    s.Run.ConnectState = kConnectError;
}

}  // namespace zelto::run
