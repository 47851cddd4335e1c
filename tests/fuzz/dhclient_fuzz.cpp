// dhclient lease files, read both as the file of one interface and as a shared file.
#include <cstdint>

#include "ScratchFolder.h"
#include "netparams/linux/DhcpLeases.h"

using namespace zelto;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::asText(data, size);
    constexpr std::int64_t kFileTime = 1700000000;
    (void)netparams::parseDhclientLeases(text, "eth0", true, kFileTime);
    (void)netparams::parseDhclientLeases(text, "eth0", false, kFileTime);
    return 0;
}
