#include <cstdlib>

#include "profiles/ProfileContext.h"

namespace zelto::profiles {

namespace {

// Counts in the snapshot are decimal text; "above 0" is read as a number, so junk counts as 0.
bool hasAddress(const netparams::Snapshot& n, int adapter) {
    return std::atoi(n.AdapterIPs[adapter][0].c_str()) > 0;
}

}  // namespace

void AutoconfigTest(ProfileContext& c, int row) {
    Session& s = c.s;
    const int slot = s.OfficeIndex;
    auto item = [&](int field) -> std::string& { return s.Table.at(slot, row, field); };
    s.FilePath = slot != 0 ? "In Office" : "Out of Office";
    const std::string displayName = item(0);
    const std::string name = lower(bareName(displayName));

    const bool autoconfig = lower(item(1)) == "autoconfig";
    if (autoconfig) {
        item(1) = kBlank;
    } else {
        s.Learnt = false;
    }

    const bool known = name == "gateway" || name == "dhcp" || name == "dns";
    if (known) {
        c.net.GatherNetParams(name, false);
        const netparams::Snapshot& n = c.net.snapshot();
        int count = 0;
        if (name == "gateway") {
            for (int f = 1; f <= 3; ++f)
                item(f) = kBlank;
            for (int a = 1; a <= 3; ++a) {
                if (!hasAddress(n, a))
                    continue;
                for (int g = 1; g <= 3; ++g) {
                    if (n.AdapterGateways[a][g] == kBlank)
                        continue;
                    if (count < MaxItemField)
                        item(++count) = n.AdapterGateways[a][g];
                    s.Learnt = true;
                }
            }
        } else if (name == "dhcp") {
            for (int a = 1; a <= 3; ++a) {
                item(a) = kBlank;
                if (hasAddress(n, a) && n.AdapterDhcp[a] == "Enabled") {
                    item(++count) = n.AdapterDhcpServer[a];
                    s.Learnt = true;
                }
            }
        } else {
            for (int d = 1; d <= 3; ++d) {
                item(d) = kBlank;
                if (n.DnsServers[d] != kBlank) {
                    item(++count) = n.DnsServers[d];
                    s.Learnt = true;
                }
            }
        }
    }

    if (autoconfig) {
        s.Learnt = false;
    } else {
        const std::string title = "Learn&Save for test " + displayName;
        if (s.Learnt) {
            c.prompt.ask(
                "Zelto has learnt IP addresse(s) for test #" + displayName + " for " + s.FilePath,
                ui::Buttons::Ok, title);
        } else {
            c.prompt.ask("Zelto was unable to learn the IP address for test #" + displayName +
                             " for " + s.FilePath,
                         ui::Buttons::Ok, title);
        }
    }

    if (!known) {
        c.prompt.tell("I can not autoconfig or Learn&Save '" + name +
                      "'. I only know DHCP, Gateway or DNS. " +
                      "You must use 'Configure Tests' and change the test name to 'DHCP', "
                      "'Gateway' or 'DNS' " +
                      "or clear test number " + std::to_string(row + 1));
        item(1) = kBlank;
    }
}

}  // namespace zelto::profiles
