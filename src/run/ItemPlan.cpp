#include "run/ItemPlan.h"

#include "probes/SplitPort.h"

namespace zelto::run {

int lastItemField(int row) {
    return row == 0 ? profiles::MaxItemField - 1 : profiles::MaxItemField;
}

void ItemPlanner::OnceGatherer::GatherNetParams(const std::string& mode, bool explanation) {
    if (gathered_)
        return;
    gathered_ = true;
    real_.GatherNetParams(mode, explanation);
}

ItemPlanner::ItemPlanner(profiles::ProfileContext& ctx)
    : ctx_(ctx), once_(ctx.net), filling_{ctx.session, ctx.controls, ctx.prompt,
                                          ctx.end,     once_,        ctx.probes} {}

ItemPlan ItemPlanner::plan(int row, int field, bool loopBackFailed) {
    using Kind = ItemPlan::Kind;
    profiles::Session& s = ctx_.session;
    std::string& item = s.Table.at(s.OfficeIndex, row, field);
    const std::string& name = s.Table.at(s.OfficeIndex, row, 0);

    std::string v = item;
    if (v == profiles::kBlank)
        return {Kind::EndOfItems, {}, {}};
    if (profiles::lower(v) == "autoconfig") {
        profiles::AutoconfigTest(filling_, row);
        v = item;
        item = "autoconfig";
    }
    if (v == profiles::kBlank)
        return {
            Kind::Fails, "!!!!!!!!!!! Autoconfig was unable to get the IP address for " + name, {}};
    if (profiles::lower(v) == "learn&save") {
        return {Kind::Fails,
                "!!!!!!!!!!! Learn&Save runs on program start. Either it was just set or was "
                "unable to get the IP address for test " +
                    name + " on startup",
                {}};
    }

    int port = 0;
    const bool noPort = probes::SplitPort(v, port);
    const std::optional<int> given = noPort ? std::nullopt : std::optional<int>(port);
    if (!ctx_.probes.isDottedAddress(v))
        return {noPort ? Kind::LookupThenPing : Kind::LookupThenConnect, v, given};
    if (noPort)
        return {Kind::Ping, v, given};
    // A failed Loop Back means this PC's own stack is broken, so a connect by address could
    // not tell anything.
    return {loopBackFailed ? Kind::SkippedConnect : Kind::Connect, v, given};
}

}  // namespace zelto::run
