#include <arpa/inet.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "profiles/ProfileContext.h"

namespace zelto::profiles {

namespace {

using Values = std::vector<std::string>;

// Counts in the snapshot are decimal text; "above 0" is read as a number, so junk counts as 0.
bool hasAddress(const netparams::Snapshot& n, int adapter) {
    return std::atoi(n.AdapterIPs[adapter][0].c_str()) > 0;
}

// A default route straight onto a link (a VPN) has no gateway address: the snapshot names the
// link instead, which no test can ping.
bool namesALink(const std::string& gateway) {
    in_addr address{};
    return !gateway.empty() && ::inet_pton(AF_INET, gateway.c_str(), &address) != 1;
}

Values gateways(const netparams::Snapshot& n) {
    Values out;
    for (int a = 1; a <= 3; ++a) {
        if (!hasAddress(n, a))
            continue;
        for (int g = 1; g <= 3; ++g) {
            if (n.AdapterGateways[a][g] != kBlank && !namesALink(n.AdapterGateways[a][g]))
                out.push_back(n.AdapterGateways[a][g]);
        }
    }
    return out;
}

// A server reported as none is still copied: the adapter does use DHCP.
Values dhcpServers(const netparams::Snapshot& n) {
    Values out;
    for (int a = 1; a <= 3; ++a) {
        if (hasAddress(n, a) && n.AdapterDhcp[a] == "Enabled")
            out.push_back(n.AdapterDhcpServer[a]);
    }
    return out;
}

Values dnsServers(const netparams::Snapshot& n) {
    Values out;
    for (int d = 1; d <= 3; ++d) {
        if (n.DnsServers[d] != kBlank)
            out.push_back(n.DnsServers[d]);
    }
    return out;
}

/// The PC's current values for a test called `name`, freshly gathered.
Values currentValues(ProfileContext& c, const std::string& name) {
    c.net.GatherNetParams(name, false);
    const netparams::Snapshot& n = c.net.snapshot();
    if (name == "gateway")
        return gateways(n);
    return name == "dhcp" ? dhcpServers(n) : dnsServers(n);
}

void reportLearnAndSave(ProfileContext& c, const std::string& displayName) {
    const std::string title = "Learn&Save for test " + displayName;
    const std::string text = c.session.Learnt
                                 ? "Zelto has learnt IP addresse(s) for test #"
                                 : "Zelto was unable to learn the IP address for test #";
    c.prompt.ask(text + displayName + " for " + c.session.FilePath, ui::Buttons::Ok, title);
}

void refuseUnknownName(ProfileContext& c, const std::string& name, int row) {
    c.prompt.tell("I can not autoconfig or Learn&Save '" + name +
                  "'. I only know DHCP, Gateway or DNS. " +
                  "You must use 'Configure Tests' and change the test name to 'DHCP', "
                  "'Gateway' or 'DNS' " +
                  "or clear test number " + std::to_string(row + 1));
}

}  // namespace

void AutoconfigTest(ProfileContext& c, int row) {
    Session& s = c.session;
    auto item = [&](int field) -> std::string& { return s.Table.at(s.OfficeIndex, row, field); };
    s.FilePath = s.OfficeIndex != 0 ? "In Office" : "Out of Office";
    const std::string displayName = item(0);
    const std::string name = lower(bareName(displayName));

    const bool autoconfig = lower(item(1)) == "autoconfig";
    // The keyword as the profile spells it, kept for a learn&save that learns nothing.
    std::string keyword = "learn&save";
    for (int f = MaxItemField; f >= 1; --f) {
        if (lower(item(f)) == "learn&save")
            keyword = item(f);
    }
    if (autoconfig)
        item(1) = kBlank;
    else
        s.Learnt = false;

    const bool known = name == "gateway" || name == "dhcp" || name == "dns";
    if (known) {
        const Values values = currentValues(c, name);
        for (int f = 1; f <= 3; ++f)
            item(f) = kBlank;
        const int count = std::min(static_cast<int>(values.size()), MaxItemField);
        for (int f = 1; f <= count; ++f)
            item(f) = values[f - 1];
        s.Learnt = !values.empty();
    }

    if (autoconfig)
        s.Learnt = false;
    else
        reportLearnAndSave(c, displayName);
    if (!known) {
        refuseUnknownName(c, name, row);
        item(1) = kBlank;
    }
    // Blank items would make the row pass with nothing tested; the keyword makes the next run
    // report that nothing was learnt.
    if (!autoconfig && !s.Learnt)
        item(1) = keyword;
}

}  // namespace zelto::profiles
