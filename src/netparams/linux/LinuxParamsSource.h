#pragma once

#include <cstddef>
#include <string>

#include "netparams/NetSources.h"

namespace zelto::netparams {

class SystemBus;

/// The files the PC-wide values come from.
struct ParamsPaths {
    std::string resolvConf = "/etc/resolv.conf";
    /// systemd-resolved's list of the servers behind its stub.
    std::string resolvedConf = "/run/systemd/resolve/resolv.conf";
    /// NetworkManager's list of the servers behind a local relay such as its dnsmasq.
    std::string networkManagerConf = "/run/NetworkManager/no-stub-resolv.conf";
    std::string hosts = "/etc/hosts";
    std::string ipForward = "/proc/sys/net/ipv4/ip_forward";
};

/// Host name from gethostname, domain and DNS servers from the resolver configuration (the
/// servers behind a systemd-resolved stub or NetworkManager's dnsmasq where that is all it
/// names), IP routing from the kernel's forwarding switch.
class LinuxParamsSource : public ParamsSource {
  public:
    using HostNameCall = int (*)(char* name, std::size_t length);

    explicit LinuxParamsSource(ParamsPaths paths = {}, SystemBus* bus = nullptr,
                               HostNameCall hostName = nullptr);
    NetworkParams readParams() override;

  private:
    ParamsPaths paths_;
    SystemBus* bus_;
    HostNameCall hostName_;
};

}  // namespace zelto::netparams
