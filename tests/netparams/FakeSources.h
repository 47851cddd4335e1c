#pragma once

#include <map>

#include "netparams/NetSources.h"
#include "netparams/Timezone.h"
#include "netparams/linux/LinuxDhcpSource.h"
#include "system/linux/WholeFile.h"

namespace zelto::netparams::test {

/// Every source the gather reads, each as a test sets it.
struct FakeNet : ParamsSource, InterfaceSource, DhcpSource, Timezone {
    NetworkParams params;
    InterfaceTable table;
    std::map<std::string, DhcpLease> leases;
    float bias = 0.0f;

    NetworkParams readParams() override { return params; }
    InterfaceTable readInterfaces() override { return table; }
    std::optional<DhcpLease> lease(const InterfaceRow& link) override {
        const auto found = leases.find(link.name);
        return found == leases.end() ? std::nullopt : std::optional(found->second);
    }
    float TimezoneBiasHours() const override { return bias; }
};

/// An Ethernet adapter that is up, has traffic, and the address and gateway given.
inline InterfaceRow ethernetRow(int index, const std::string& name, const std::string& address = "",
                                const std::string& gateway = "") {
    using Addresses = std::vector<IpEntry>;
    using Gateways = std::vector<std::string>;
    return {.index = index,
            .name = name,
            .description = name + " (Ethernet)",
            .type = kTypeEthernet,
            .mtu = 1500,
            .speed = 1000000000,
            .physAddress = std::string("\x02\0\0\0\0", 5) + static_cast<char>(index),
            .adminStatus = kAdminUp,
            .operStatus = kOperOperational,
            .inOctets = 1000,
            .outOctets = 2000,
            .addresses = address.empty() ? Addresses{} : Addresses{{address, "255.255.255.0"}},
            .gateways = gateway.empty() ? Gateways{} : Gateways{gateway}};
}

/// The loopback row every Linux table starts with.
inline InterfaceRow loopbackRow() {
    InterfaceRow row = ethernetRow(1, "lo");
    row.description = "lo (Loopback)";
    row.type = kTypeLoopback;
    row.physAddress = std::string(6, '\0');
    return row;
}

/// The folder of the test data files, and one of them as it is (expected outputs keep their
/// CR LF line ends).
inline std::string fixtures() {
    const std::string file = __FILE__;
    return file.substr(0, file.rfind('/')) + "/fixtures/";
}
inline std::string fixture(const std::string& name) {
    return system::readWholeFile(fixtures() + name, 1 << 20).bytes;
}

}  // namespace zelto::netparams::test
