#include "netparams/AnalyzeNetParams.h"

#include <algorithm>
#include <charconv>

namespace zelto::netparams {

namespace {

constexpr const char* kCrLf = "\r\n";

// Counts are decimal text; like the original's Val, anything unreadable counts as 0.
int count(const std::string& text) {
    int n = 0;
    std::from_chars(text.data(), text.data() + text.size(), n);
    return n;
}

bool isEnabled(const std::string& dhcp) {
    return dhcp == "Enabled";
}

bool anySlotFilled(const auto& row) {
    for (int i = 1; i <= 4; ++i) {
        if (row[i] != kBlank)
            return true;
    }
    return false;
}

std::string adapterName(const Snapshot& s, int a) {
    return std::to_string(a) + " " + s.AdapterIPs[a][5];
}

std::string noAddress(const Snapshot& s, int adapters, const HelpSection& help) {
    bool dhcpSomewhere = false;
    for (int a = 1; a <= adapters; ++a)
        dhcpSomewhere = dhcpSomewhere || isEnabled(s.AdapterDhcp[a]);
    std::string text;
    for (int a = 1; a <= adapters; ++a) {
        if (isEnabled(s.AdapterDhcp[a])) {
            text +=
                "There are no IP addresses.  DHCP is enabled for apdapter #" + adapterName(s, a);
            if (s.AdapterDhcpServer[a] == kBlank) {
                text += ", but no DHCP server was found.";
            } else {
                text +=
                    ", and a DHCP server address was found.  This DHCP server address maybe "
                    "cached from a previous connection.";
            }
            text += kCrLf + help("Reboot Check Adapters");
        } else if (s.AdapterDhcp[a] == "Disabled" && !dhcpSomewhere) {
            text += "There are no IP addresses. DHCP is disabled for all adpaters including";
            text += " apdapter #" + adapterName(s, a) + kCrLf + kCrLf;
            text += help("No IP and DHCP Disabled");
        }
    }
    return text;
}

std::string noGateway(const Snapshot& s, int adapters) {
    std::string text;
    for (int a = 1; a <= adapters; ++a) {
        const bool hasAddress = count(s.AdapterIPs[a][0]) > 0;
        if (isEnabled(s.AdapterDhcp[a]) && hasAddress && s.AdapterDhcpServer[a] != kBlank) {
            text = std::string("There is no default gateway") + kCrLf +
                   "DHCP is enabled, for adapter #" + adapterName(s, a) +
                   ",but no default gateway." + kCrLf + "1) Reboot your PC once." + kCrLf +
                   "2) If still no default gateway. Something is probably wrong with the DHCP "
                   "server. If you own the DHCP server, power this device off and on. Otherwise "
                   "alert your network administrator.";
        } else if (s.AdapterDhcp[a] == "Disabled" && hasAddress &&
                   count(s.AdapterGateways[a][0]) == 0) {
            text = std::string("There is no default gateway.") + kCrLf +
                   "DHCP is disabled, but there is an IP address for adapter #" +
                   adapterName(s, a) +
                   ".  The IP address must be statically defined.If the IP address is "
                   "statically defined, a gateway must be statically defined as well. Go to Go "
                   "to Settings > Network. Choose this adapter and select properties.In the "
                   "properties for the Internet Protocol, and input a default the address of "
                   "the default gateway.  ";
        }
    }
    return text;
}

std::string severalAddresses(const Snapshot& s, int adapters) {
    int withAddress = 0;
    for (int a = 1; a <= adapters; ++a) {
        const int addresses = count(s.AdapterIPs[a][0]);
        if (addresses > 1) {
            return "Adapter #" + adapterName(s, a) +
                   " has multiple IP addresses.  This is OK in a server, but is unusual in a PC "
                   "or laptop.  If you are having problems you may want to remove one of the IP "
                   "addresses.  Go to Settings > Network and keep just one address.";
        }
        if (addresses > 0)
            ++withAddress;
        if (withAddress > 1) {
            return "Multiple network adapters found with multiple IP addressses. This is OK in a "
                   "server or if you are using VPN.  If this is not a server and you are not "
                   "using VPN, and you are having a problem you should use one adapter or the "
                   "other. Decide which adapter you are using; take out the network cable if you "
                   "are using wireless. Go Settings > Network and disable the wireless adapter "
                   "if you are using a network cable.";
        }
    }
    return "No problems found";
}

}  // namespace

std::string AnalyzeNetParams(const Snapshot& s, const HelpSection& help) {
    // The snapshot has four adapter rows; a larger count must not read past them.
    const int adapters = std::clamp(s.AdapterCount, 0, 4);
    if (adapters == 0)
        return help("No Network Adapters");
    bool hasAddress = false;
    bool hasGateway = false;
    for (int a = 1; a <= adapters; ++a) {
        hasAddress = hasAddress || anySlotFilled(s.AdapterIPs[a]);
        hasGateway = hasGateway || anySlotFilled(s.AdapterGateways[a]);
    }
    if (!hasAddress)
        return noAddress(s, adapters, help);
    if (!hasGateway)
        return noGateway(s, adapters);
    return severalAddresses(s, adapters);
}

}  // namespace zelto::netparams
