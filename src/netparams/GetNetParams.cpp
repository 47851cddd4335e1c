#include "netparams/GetNetParams.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "netparams/AdpaterStatus.h"
#include "netparams/ReportTexts.h"
#include "system/Utf8.h"

namespace zelto::netparams {

namespace {

// The snapshot's tables: four adapters, four addresses, gateways and DNS servers each.
constexpr int kMaxAdapters = 4;
constexpr int kMaxSlots = 4;
// DHCP state and server are kept for the first three adapters only; callers rely on slot 4
// keeping its reset value.
constexpr int kDhcpAdapters = 3;
// The original's ERROR_NO_DATA: what asking for the adapter list answers on a PC without one.
constexpr int kErrorNoData = 232;
constexpr const char* kNoAddress = "0.0.0.0";

std::string cutAtNul(std::string_view text) {
    return std::string(text.substr(0, text.find('\0')));
}

// An unset address reads as "0.0.0.0" or, from a source that leaves it out, as empty.
bool isNoAddress(const std::string& address) {
    return address.empty() || address == kNoAddress;
}

std::string nodeTypeText(int nodeType) {
    switch (nodeType) {
        case 1:
            return "Broadcast";
        case 2:
            return "Peer to peer";
        case 4:
            return "Mixed";
        case 8:
            return "Hybrid";
        default:
            return "Unknown";
    }
}

std::string adapterTypeText(int type) {
    switch (type) {
        case kTypeEthernet:
            return "Ethernet adapter ";
        case kTypeTokenRing:
            return "Token Ring adapter ";
        case kTypeFddi:
            return "FDDI adapter ";
        case kTypePpp:
            return "PPP adapter";
        case kTypeLoopback:
            return "Loopback adapter ";
        case kTypeSlip:
            return "Slip adapter ";
        default:
            return "Other adapter ";
    }
}

std::string trafficLine(bool receiving, bool sending) {
    std::string text = receiving ? texts::kReceiving : texts::kNotReceiving;
    if (sending)
        text += texts::kAndSending;
    else if (receiving)
        text += texts::kButNotSending;
    else
        text += texts::kAndNotSending;
    return text;
}

std::string leaseLine(const char* label, std::int64_t value, float biasHours) {
    return std::string(label) + (value == 0 ? texts::kNoLease : leaseTimeText(value, biasHours));
}

}  // namespace

// Every report line is a line break followed by its text, so the report starts with one.
class Report {
  public:
    explicit Report(std::string& text) : text_(text) {}
    void line(std::string_view text) { text_.append("\r\n").append(text); }
    void blank() { text_.append("\r\n"); }

  private:
    std::string& text_;
};

// The last adapter of each indicator class seen by a walk, and the indicator they give.
class IndicatorClasses {
  public:
    explicit IndicatorClasses(std::size_t adapters) : texts_(adapters) {}
    void note(int a, const std::string& shortDescription, const InterfaceStatus& status);
    AdapterIndicator indicator() const;

  private:
    std::vector<std::string> texts_;
    int disabled_ = 0;
    int notUp_ = 0;
    int good_ = 0;
};

namespace {

// The adapters of the report, in the order a user expects: the cards of the PC (wired and
// Wi-Fi) first, then VPN and other links, each in index order. Loopback is no adapter, nor
// is a link made for a container or VM unless the PC's traffic leaves by it.
std::vector<const InterfaceRow*> adaptersOf(const InterfaceTable& table) {
    std::vector<const InterfaceRow*> adapters;
    for (const InterfaceRow& row : table.rows) {
        if (row.type == kTypeLoopback || (row.role == LinkRole::Guest && row.gateways.empty()))
            continue;
        adapters.push_back(&row);
    }
    std::stable_sort(adapters.begin(), adapters.end(),
                     [](const InterfaceRow* a, const InterfaceRow* b) {
                         return a->role == LinkRole::Physical && b->role != LinkRole::Physical;
                     });
    return adapters;
}

}  // namespace

GatherMode gatherModeOf(const std::string& mode) {
    if (mode == "Everything")
        return GatherMode::Everything;
    if (mode == "KeyValues")
        return GatherMode::KeyValues;
    if (mode == "Analyze")
        return GatherMode::Analyze;
    if (mode == "Nothing")
        return GatherMode::Nothing;
    return GatherMode::Other;
}

GetNetParams::GetNetParams(ParamsSource& params, InterfaceSource& interfaces, DhcpSource& dhcp,
                           const Timezone& zone)
    : params_(params), interfaces_(interfaces), dhcp_(dhcp), timezone_(zone) {}

void GetNetParams::GatherNetParams(const std::string& mode, bool explanation) {
    gather(mode, explanation);
}

const GatherOutcome& GetNetParams::gather(const std::string& mode, bool explanation) {
    outcome_ = GatherOutcome{};
    run(gatherModeOf(mode), explanation);
    if (handler_)
        handler_(outcome_);
    return outcome_;
}

void GetNetParams::reset(GatherMode mode) {
    Snapshot& s = snapshot_;
    s.ShowAllParams = mode == GatherMode::Everything;
    s.DnsCount = 0;
    s.AdapterCount = 0;
    s.IpCount = 0;
    s.GatewayCount = 0;
    for (int i = 1; i <= kMaxSlots; ++i) {
        s.DnsServers[i] = kBlank;
        s.AdapterDhcp[i] = "Disabled";
        s.AdapterDhcpServer[i] = kBlank;
        for (int a = 1; a <= kMaxAdapters; ++a) {
            s.AdapterIPs[a][i] = kBlank;
            s.AdapterGateways[a][i] = kBlank;
        }
    }
}

void GetNetParams::run(GatherMode mode, bool explanation) {
    reset(mode);
    Snapshot& s = snapshot_;
    const NetworkParams p = params_.readParams();
    // Linux has no "buffer too small" answer to go on with: any sizing error is a failure.
    if (p.sizingError != 0) {
        outcome_.message = texts::kParamsSizingFailed + std::to_string(p.sizingError);
        return;
    }
    s.NetParamReport.clear();
    if (p.error != 0) {
        s.NetParamReport = std::string("\r\n") + texts::kParamsFailed + std::to_string(p.error);
        return;
    }
    Report report(s.NetParamReport);
    if (s.ShowAllParams) {
        report.line(texts::kHostName + cutAtNul(p.hostName));
        report.line(texts::kDomainName + cutAtNul(p.domainName));
    }
    writeDns(report, p.dnsServers, explanation);
    if (s.ShowAllParams)
        writeNode(report, p);
    report.blank();
    report.line(texts::kAdaptersHeader);

    const InterfaceTable table = interfaces_.readInterfaces();
    const std::vector<const InterfaceRow*> adapters = adaptersOf(table);
    int sizingError = table.sizingError;
    if (sizingError == 0 && table.error == 0 && adapters.empty())
        sizingError = kErrorNoData;
    if (sizingError != 0) {
        report.line(texts::kAdaptersSizingFailed + std::to_string(sizingError));
        if (mode == GatherMode::Nothing)
            outcome_.indicator = AdapterIndicator{texts::kNoAdapters, false, true};
        else
            outcome_.analyze = true;
        return;
    }
    if (table.error != 0) {
        report.line(texts::kAdaptersFailed + std::to_string(table.error));
        return;
    }

    IndicatorClasses classes(adapters.size() + 1);
    for (std::size_t n = 0; n < adapters.size(); ++n)
        writeAdapter(report, table, *adapters[n], static_cast<int>(n) + 1, explanation, classes);

    outcome_.showReport = mode == GatherMode::Everything || mode == GatherMode::KeyValues;
    outcome_.analyze = mode == GatherMode::Analyze;
    outcome_.indicator = classes.indicator();
}

void GetNetParams::writeDns(Report& report, const std::vector<std::string>& servers,
                            bool explanation) {
    Snapshot& s = snapshot_;
    // The platform's DNS list always has a first entry; an empty list reads as one empty entry.
    report.blank();
    report.line(texts::kDnsHeader);
    s.DnsCount = 1;
    std::string first = servers.empty() ? "" : cutAtNul(servers.front());
    if (isNoAddress(first))
        first = kBlank;
    s.DnsServers[1] = first;
    report.line(texts::kDnsServer1 + first);
    for (std::size_t i = 1; i < servers.size(); ++i) {
        ++s.DnsCount;
        if (s.DnsCount <= kMaxSlots) {
            const std::string server = cutAtNul(servers[i]);
            s.DnsServers[s.DnsCount] = server;
            report.line(texts::kDnsServerN + std::to_string(s.DnsCount) + texts::kDnsServerNTail +
                        server);
        }
    }
    s.DnsServers[0] = std::to_string(s.DnsCount);
    if (explanation) {
        report.blank();
        report.line(texts::kDnsExplanation);
    }
}

void GetNetParams::writeNode(Report& report, const NetworkParams& p) {
    report.blank();
    report.line(texts::kNodeHeader);
    report.line(texts::kNodeType + nodeTypeText(p.nodeType));
    report.line(texts::kScopeId + cutAtNul(p.scopeId));
    report.line(p.enableRouting != 0 ? texts::kRoutingOn : texts::kRoutingOff);
    report.line(p.enableProxy != 0 ? texts::kProxyOn : texts::kProxyOff);
    report.line(p.enableDns != 0 ? texts::kNetbiosDns : texts::kNetbiosNoDns);
}

void GetNetParams::writeAdapter(Report& report, const InterfaceTable& table,
                                const InterfaceRow& adapter, int a, bool explanation,
                                IndicatorClasses& classes) {
    Snapshot& s = snapshot_;
    const bool all = s.ShowAllParams;
    // Adapters beyond the fourth are reported but have no row in the snapshot; the count
    // stays within the tables so that readers of rows 1 to AdapterCount stay in bounds.
    const bool kept = a <= kMaxAdapters;
    s.AdapterCount = std::min(a, kMaxAdapters);
    s.IpCount = 0;
    s.GatewayCount = 0;

    if (a >= 2)
        report.line(texts::kSeparator);
    report.line(texts::kAdapterHeading + std::to_string(a));
    if (all)
        report.line(texts::kTypeLabel + adapterTypeText(adapter.type));
    const std::string description = cutAtNul(adapter.description);
    const std::string shortDescription =
        std::string(system::utf8::firstCharacters(description, 20));
    if (kept)
        s.AdapterIPs[a][5] = shortDescription;
    report.line(texts::kAdapterDesc + description);
    const std::string physical = physicalAddressText(adapter.physAddress);
    if (all)
        report.line(texts::kPhysicalAddress + physical);

    // Matched by index as well: VLANs, bridges and bonds share their port's hardware
    // address, and tunnels have none.
    const InterfaceStatus status = ReadInterfaceTable(table.rows, physical, adapter.index);
    if (kept) {
        s.AdapterAdminStatus[a] = status.adminStatus;
        s.AdapterOperStatus[a] = status.operStatus;
        s.AdapterReceiving[a] = status.receiving;
        s.AdapterSending[a] = status.sending;
    }
    report.line(texts::kAdapterStatus + status.adminStatus + " - " + status.operStatus);
    report.line(trafficLine(status.receiving, status.sending));
    classes.note(a, shortDescription, status);

    const std::optional<DhcpLease> lease = dhcp_.lease(adapter);
    if (a <= kDhcpAdapters)
        s.AdapterDhcp[a] = lease ? "Enabled" : "Disabled";
    s.AdapterDhcp[0] = std::to_string(s.AdapterCount);
    report.line(lease ? texts::kDhcpOn : texts::kDhcpOff);
    if (explanation) {
        report.blank();
        report.line(texts::kDhcpExplanation);
        report.blank();
    }
    writeAddresses(report, adapter.addresses, a);
    writeGateways(report, adapter.gateways, a);
    if (explanation) {
        report.blank();
        report.line(texts::kGatewayExplanation);
        report.blank();
    }
    writeLease(report, lease, a);
}

void GetNetParams::writeAddresses(Report& report, std::vector<IpEntry> addresses, int a) {
    Snapshot& s = snapshot_;
    const bool kept = a <= kMaxAdapters;
    // Like the platform's lists, an adapter without an address or gateway has one unset
    // entry, so its report still shows "Blank!".
    if (addresses.empty())
        addresses.push_back({kNoAddress, kNoAddress});
    for (const IpEntry& entry : addresses) {
        std::string address = cutAtNul(entry.address);
        if (isNoAddress(address)) {
            address = kBlank;
        } else {
            ++s.IpCount;
            if (kept && s.IpCount <= kMaxSlots)
                s.AdapterIPs[a][s.IpCount] = address;
        }
        if (kept)
            s.AdapterIPs[a][0] = std::to_string(s.IpCount);
        report.line(texts::kIpAddress + std::to_string(s.IpCount) + texts::kIpAddressTail +
                    address);
        if (s.ShowAllParams) {
            const std::string mask = cutAtNul(entry.mask);
            report.line(texts::kSubnetMask + (isNoAddress(mask) ? kBlank : mask));
        }
    }
}

void GetNetParams::writeGateways(Report& report, std::vector<std::string> gateways, int a) {
    Snapshot& s = snapshot_;
    const bool kept = a <= kMaxAdapters;
    if (gateways.empty())
        gateways.emplace_back(kNoAddress);
    for (const std::string& entry : gateways) {
        std::string gateway = cutAtNul(entry);
        if (isNoAddress(gateway)) {
            gateway = kBlank;
        } else {
            ++s.GatewayCount;
            if (kept && s.GatewayCount <= kMaxSlots)
                s.AdapterGateways[a][s.GatewayCount] = gateway;
        }
        if (kept)
            s.AdapterGateways[a][0] = std::to_string(s.GatewayCount);
        report.line(texts::kGateway + std::to_string(s.GatewayCount) + texts::kGatewayTail +
                    gateway);
    }
}

void GetNetParams::writeLease(Report& report, const std::optional<DhcpLease>& lease, int a) {
    Snapshot& s = snapshot_;
    std::string server = lease ? cutAtNul(lease->server) : kNoAddress;
    if (isNoAddress(server) || server == "255.255.255.255")
        server = kBlank;
    if (a <= kDhcpAdapters && s.AdapterDhcp[a] == "Enabled")
        s.AdapterDhcpServer[a] = server;
    report.line(texts::kDhcpServer + server);
    if (!s.ShowAllParams)
        return;
    // Linux has no WINS: both servers are unset, which the report shows as a space.
    report.line(std::string(texts::kPrimeWins) + " ");
    report.line(std::string(texts::kSecondWins) + " ");
    const float bias = timezone_.TimezoneBiasHours();
    report.line(leaseLine(texts::kLeaseObtained, lease ? lease->obtained : 0, bias));
    report.line(leaseLine(texts::kLeaseExpires, lease ? lease->expires : 0, bias));
}

void IndicatorClasses::note(int a, const std::string& shortDescription,
                            const InterfaceStatus& status) {
    texts_[a] = shortDescription + "-" + status.adminStatus + "-" + status.operStatus;
    if (status.adminStatus != "Enabled")
        disabled_ = a;
    else if (status.operStatus != "Connected" && status.operStatus != "Operational")
        notUp_ = a;
    else
        good_ = a;
}

AdapterIndicator IndicatorClasses::indicator() const {
    // The later class wins: a good adapter over one not up over a disabled one.
    AdapterIndicator indicator;
    if (disabled_ != 0)
        indicator.caption = texts_[disabled_];
    if (notUp_ != 0)
        indicator.caption = texts_[notUp_];
    if (good_ != 0) {
        indicator.caption = texts_[good_];
        indicator.checkVisible = true;
        indicator.crossVisible = false;
    }
    return indicator;
}

std::string parameterReport(GetNetParams& gatherer, const std::string& mode, bool explanation) {
    gatherer.GatherNetParams(mode, explanation);
    return gatherer.snapshot().NetParamReport;
}

}  // namespace zelto::netparams
