#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "netparams/NetSources.h"
#include "netparams/Timezone.h"
#include "netparams/linux/LinuxDhcpSource.h"
#include "system/linux/WholeFile.h"

namespace zelto::netparams::test {

struct FakeParams : ParamsSource {
    NetworkParams params;
    NetworkParams readParams() override { return params; }
};

struct FakeInterfaces : InterfaceSource {
    InterfaceTable table;
    InterfaceTable readInterfaces() override { return table; }
};

struct FakeDhcp : DhcpSource {
    std::map<std::string, DhcpLease> leases;
    std::optional<DhcpLease> lease(const InterfaceRow& link) override {
        const auto found = leases.find(link.name);
        return found == leases.end() ? std::nullopt : std::optional(found->second);
    }
};

struct FakeZone : Timezone {
    float bias = 0.0f;
    float TimezoneBiasHours() const override { return bias; }
};

/// An Ethernet adapter that is up, has traffic, one address and one gateway.
inline InterfaceRow ethernetRow(int index, const std::string& name, const std::string& address,
                                const std::string& gateway) {
    InterfaceRow row;
    row.index = index;
    row.name = name;
    row.description = name + " (Ethernet)";
    row.type = kTypeEthernet;
    row.mtu = 1500;
    row.speed = 1000000000;
    row.physAddress = std::string("\x02\x00\x00\x00\x00", 5) + static_cast<char>(index);
    row.adminStatus = kAdminUp;
    row.operStatus = kOperOperational;
    row.inOctets = 1000;
    row.outOctets = 2000;
    if (!address.empty())
        row.addresses.push_back({address, "255.255.255.0"});
    if (!gateway.empty())
        row.gateways.push_back(gateway);
    return row;
}

/// The loopback row every Linux table starts with.
inline InterfaceRow loopbackRow() {
    InterfaceRow row = ethernetRow(1, "lo", "", "");
    row.description = "lo (Loopback)";
    row.type = kTypeLoopback;
    row.physAddress = std::string(6, '\0');
    return row;
}

/// DHCP configuration and lease records under the folder `d` only, so that the PC's real ones
/// cannot leak in.
inline DhcpPaths recordsUnder(const std::string& d) {
    return {d + "leases",       {d + "dhcp"}, {d + "dhcpcd"}, d + "links", d + "interfaces",
            d + "interfaces.d", d + "run",    d + "proc",     d + "nm"};
}

/// A file of fixtures/ as it is; a golden one keeps an expected output with LF for CR LF.
inline std::string fixture(const std::string& name) {
    const std::string file = __FILE__;
    return system::readWholeFile(file.substr(0, file.rfind('/')) + "/fixtures/" + name, 1 << 20)
        .bytes;
}
inline std::string golden(const std::string& name) {
    std::string text;
    for (const char c : fixture(name))
        text += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return text;
}

}  // namespace zelto::netparams::test
