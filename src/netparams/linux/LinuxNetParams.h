#pragma once

#include "netparams/GetNetParams.h"
#include "netparams/linux/LinuxDhcpSource.h"
#include "netparams/linux/LinuxInterfaceSource.h"
#include "netparams/linux/LinuxParamsSource.h"
#include "netparams/linux/LocalTimezone.h"
#include "netparams/linux/SystemBus.h"

namespace zelto::netparams {

/// The gather wired to this PC: `main` creates one and hands `gatherer()` (and, for the
/// interface listing, `interfaces()`) to whoever needs them.
class LinuxNetParams {
  public:
    LinuxNetParams() = default;
    LinuxNetParams(const LinuxNetParams&) = delete;
    LinuxNetParams& operator=(const LinuxNetParams&) = delete;

    GetNetParams& gatherer() { return gatherer_; }
    InterfaceSource& interfaces() { return interfaces_; }

  private:
    SystemBus bus_;
    LinuxInterfaceSource interfaces_;
    LinuxParamsSource params_{ParamsPaths{}, &bus_};
    LinuxDhcpSource dhcp_{DhcpPaths{}, &bus_};
    LocalTimezone timezone_;
    GetNetParams gatherer_{params_, interfaces_, dhcp_, timezone_};
};

}  // namespace zelto::netparams
