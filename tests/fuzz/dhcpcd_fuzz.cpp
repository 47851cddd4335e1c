// dhcpcd lease files: a server's raw DHCP message.
#include <cstdint>

#include "ScratchFolder.h"
#include "netparams/linux/DhcpLeases.h"

using namespace zelto;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    (void)netparams::parseDhcpcdLease(fuzz::asText(data, size), 1700000000);
    return 0;
}
