// NetworkManager's DHCP options, as "name=value" lines (the bus delivers them as a map).
#include <map>

#include "Fuzz.h"
#include "netparams/linux/DhcpLeases.h"

void zelto::fuzz::one(std::string_view input) {
    std::map<std::string, std::string> options;
    while (!input.empty()) {
        std::string_view value = cut(input);
        const std::string_view name = cut(value, '=');
        options[std::string(name)] = value;
    }
    (void)netparams::leaseFromNetworkManager(options);
}
