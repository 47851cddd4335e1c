#pragma once

#include <array>
#include <string>

namespace zelto::netparams {

inline constexpr const char* kBlank = "Blank!";

/// The network parameter snapshot: the tables that the last gather filled. Slot and row 0 of
/// the arrays hold counts as decimal text; "Blank!" marks an empty slot.
struct Snapshot {
    std::string NetParamReport;
    bool ShowAllParams = false;
    std::array<std::string, 5> DnsServers{"", kBlank, kBlank, kBlank, kBlank};
    /// [adapter 0..4][slot 0..5]: 0 count, 1-4 addresses, 5 short description.
    std::array<std::array<std::string, 6>, 5> AdapterIPs{};
    /// [adapter 0..4][slot 0..4]: 0 count, 1-4 gateways.
    std::array<std::array<std::string, 5>, 5> AdapterGateways{};
    std::array<std::string, 5> AdapterDhcp{"", "Disabled", "Disabled", "Disabled", "Disabled"};
    std::array<std::string, 5> AdapterDhcpServer{"", kBlank, kBlank, kBlank, kBlank};
    std::array<std::string, 5> AdapterAdminStatus{};
    std::array<std::string, 5> AdapterOperStatus{};
    std::array<bool, 5> AdapterReceiving{};
    std::array<bool, 5> AdapterSending{};
    int DnsCount = 0;
    int AdapterCount = 0;
    int IpCount = 0;
    int GatewayCount = 0;
};

}  // namespace zelto::netparams
