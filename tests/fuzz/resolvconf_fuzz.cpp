// resolv.conf, and the same bytes as /etc/hosts for the host named on the first line.
#include "Fuzz.h"
#include "netparams/linux/ResolvConf.h"

void zelto::fuzz::one(std::string_view input) {
    (void)netparams::onlyResolvedStub(netparams::parseResolvConf(input).nameservers);
    const std::string_view host = cut(input);
    (void)netparams::domainFromHosts(input, host);
}
