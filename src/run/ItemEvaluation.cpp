#include "run/ItemEvaluation.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <exception>

#include "probes/AsyncProbe.h"
#include "probes/ProbeLines.h"
#include "probes/SplitPort.h"
#include "profiles/Session.h"
#include "run/BlinkingPump.h"

namespace zelto::run {

using profiles::kBlank;
using profiles::kConnected;
using profiles::kConnectError;
using profiles::kStopRequested;
using profiles::kWaiting;

bool isDottedAddress(const std::string& address) {
    const in_addr_t a = ::inet_addr(address.c_str());
    return a != INADDR_NONE && a != 0;
}

ItemEvaluation::ItemEvaluation(RunContext& ctx, std::stop_source& stop) : ctx_(ctx), stop_(stop) {}

bool ItemEvaluation::stopRequested() const {
    // Stop sets both; the token also survives PortScan putting ConnectState back to 0.
    return stop_.stop_requested() || ctx_.profile.s.Run.ConnectState == kStopRequested;
}

void ItemEvaluation::failItem(const std::string& line) {
    ctx_.results.ShowResult(line, false, true);
    ctx_.profile.s.Run.AnyItemFailed = true;
}

ItemOutcome ItemEvaluation::Evaluate(int row, int field) {
    profiles::Session& s = ctx_.profile.s;
    auto& w = ctx_.profile.w;
    std::string& item = s.Table.at(s.OfficeIndex, row, field);
    const std::string name = s.Table.at(s.OfficeIndex, row, 0);

    std::string v = item;
    if (v == kBlank)
        return ItemOutcome::EndOfItems;
    if (profiles::lower(v) == "autoconfig") {
        profiles::AutoconfigTest(ctx_.profile, row);
        v = item;
        // The keyword goes back so that the next run fills the item afresh.
        item = "autoconfig";
    }
    if (v == kBlank) {
        failItem("!!!!!!!!!!! Autoconfig was unable to get the IP address for " + name);
        return ItemOutcome::Next;
    }
    if (profiles::lower(v) == "learn&save") {
        failItem(
            "!!!!!!!!!!! Learn&Save runs on program start. Either it was just set or was unable "
            "to get the IP address for test " +
            name + " on startup");
        return ItemOutcome::Next;
    }

    const bool noPort = probes::SplitPort(v, s.Run.TargetPort);
    if (isDottedAddress(v)) {
        s.LocalIP = v;
        if (noPort)
            return Pinged(s.LocalIP);
        // A visible Loop Back cross means this PC's own stack failed earlier in the run, so a
        // connect by address could not tell anything.
        if (w.Help1[0].visible()) {
            s.Run.AnyItemFailed = true;
            return ItemOutcome::Next;
        }
        PortScan();
        return ConnectWait(w.Status[row]);
    }

    const std::string address = GetIPFromHostName(v);
    if (stopRequested())
        return ItemOutcome::Stop;
    s.LocalIP = address;
    if (address.empty()) {
        failItem("!!!!!!!!!!! Unable to get the IP address for " + v);
        return ItemOutcome::Next;
    }
    ctx_.results.ShowResult("            -- Resolved " + v + " to " + address, w.ErrorsOnly.value(),
                            true);
    if (noPort)
        return Pinged(s.LocalIP);
    PortScan();
    return ConnectWait(w.TestStatus);
}

std::string ItemEvaluation::GetIPFromHostName(const std::string& name) {
    auto& probes = ctx_.profile.probes;
    try {
        return probes::awaitProbe(ctx_.pump, stop_, [&probes, &name](std::stop_token stop) {
            return probes.getIPFromHostName(name, std::move(stop));
        });
    } catch (const std::exception&) {
        // A lookup that could not even be made (no thread to be had) is a failed lookup.
        return {};
    }
}

ItemOutcome ItemEvaluation::Pinged(std::string address) {
    // A copy: LocalIP may change while the ping is in flight (the address watch runs).
    auto& probes = ctx_.profile.probes;
    probes::PingResult result;
    try {
        result = probes::awaitProbe(ctx_.pump, stop_, [&probes, &address](std::stop_token stop) {
            return probes.ping(address, std::move(stop));
        });
    } catch (const std::exception&) {
        result = probes::PingResult{};  // status 11050: the ping could not be made
    }
    // A ping cut short by Stop proves nothing either way, so it writes no line.
    if (result.status == probes::kPingCancelled)
        return ItemOutcome::Stop;
    if (probes::pingPassed(result)) {
        ctx_.results.ShowResult(probes::pingSuccessLine(address, result.roundTrip),
                                ctx_.profile.w.ErrorsOnly.value(), true);
        ctx_.profile.s.Run.AnyItemPassed = true;
    } else {
        failItem(probes::pingFailureLine(address));
    }
    return ItemOutcome::Next;
}

void ItemEvaluation::PortScan() {
    ctx_.profile.s.Run.ConnectState = kWaiting;
    ctx_.pump.processPending();
}

ItemOutcome ItemEvaluation::ConnectWait(ui::TextBox& blinkBox) {
    profiles::Session& s = ctx_.profile.s;
    const std::string address = s.LocalIP;
    const int port = s.Run.TargetPort;
    auto& probes = ctx_.profile.probes;
    BlinkingPump blinking(ctx_.pump, blinkBox);
    probes::ConnectResult result = probes::ConnectResult::Failed;
    try {
        result =
            probes::awaitProbe(blinking, stop_, [&probes, &address, port](std::stop_token stop) {
                return probes.connect(address, port, std::move(stop));
            });
    } catch (const std::exception&) {
        result = probes::ConnectResult::Failed;
    }
    // Stop closed the connect: no event, no line.
    if (result == probes::ConnectResult::Cancelled)
        return ItemOutcome::Stop;
    const bool stopped = stopRequested();
    // Handlers served during the wait (the address watch) may have moved LocalIP; the line
    // must name the address that was connected to.
    s.LocalIP = address;
    if (result == probes::ConnectResult::Connected)
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
    profiles::Session& s = ctx_.profile.s;
    ctx_.results.ShowResult(probes::connectSuccessLine(s.LocalIP, s.Run.TargetPort),
                            ctx_.profile.w.ErrorsOnly.value(), true);
    s.Run.AnyItemPassed = true;
    s.Run.ConnectState = kConnected;
}

void ItemEvaluation::Winsock1_Error() {
    profiles::Session& s = ctx_.profile.s;
    failItem(probes::connectFailureLine(s.LocalIP, s.Run.TargetPort));
    s.Run.ConnectState = kConnectError;
}

}  // namespace zelto::run
