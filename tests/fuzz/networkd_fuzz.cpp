// systemd-networkd lease files, KEY=value and JSON.
#include <cstdint>

#include "ScratchFolder.h"
#include "netparams/linux/DhcpLeases.h"

using namespace zelto;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    (void)netparams::parseNetworkdLease(fuzz::asText(data, size), 1700000000);
    return 0;
}
