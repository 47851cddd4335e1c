// NetworkManager's DHCP options, as "name=value" lines (the bus delivers them as a map).
#include <map>

#include "Fuzz.h"
#include "netparams/linux/DhcpLeases.h"

void zelto::fuzz::one(std::string_view input) {
    std::map<std::string, std::string> options;
    while (!input.empty()) {
        const std::string_view line = firstLine(input);
        if (const std::size_t equals = line.find('='); equals != std::string_view::npos)
            options[std::string(line.substr(0, equals))] = std::string(line.substr(equals + 1));
    }
    (void)netparams::leaseFromNetworkManager(options);
}
