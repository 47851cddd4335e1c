// NetworkManager's DHCP options, as "name=value" lines (the bus delivers them as a map).
#include <cstdint>
#include <map>

#include "ScratchFolder.h"
#include "netparams/linux/DhcpLeases.h"

using namespace zelto;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input = fuzz::asText(data, size);
    std::map<std::string, std::string> options;
    while (!input.empty()) {
        const std::string_view line = fuzz::firstLine(input);
        const std::size_t equals = line.find('=');
        if (equals != std::string_view::npos)
            options[std::string(line.substr(0, equals))] = std::string(line.substr(equals + 1));
    }
    (void)netparams::leaseFromNetworkManager(options);
    return 0;
}
