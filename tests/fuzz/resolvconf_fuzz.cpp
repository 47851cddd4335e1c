// resolv.conf, and the same bytes as /etc/hosts for the host named on the first line.
#include <cstdint>
#include <cstdlib>

#include "ScratchFolder.h"
#include "netparams/linux/ResolvConf.h"

using namespace zelto;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view whole = fuzz::asText(data, size);
    const netparams::ResolverConfig config = netparams::parseResolvConf(whole);
    (void)netparams::onlyResolvedStub(config.nameservers);
    std::string_view hosts = whole;
    const std::string_view host = fuzz::firstLine(hosts);
    (void)netparams::domainFromHosts(hosts, host);
    return 0;
}
