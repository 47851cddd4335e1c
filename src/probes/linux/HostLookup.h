#pragma once

#include <stop_token>
#include <string>

#include "probes/NetworkServices.h"
#include "probes/linux/LookupPool.h"
#include "system/linux/SystemCalls.h"

namespace zelto::probes {

/// Name to dotted IPv4 address, and this PC's own address.
class HostLookup {
  public:
    explicit HostLookup(system::SystemCalls& calls);

    /// Looks up the first IPv4 address of `name` (trimmed of spaces, cut to 255 characters)
    /// and hands it to `done` as dotted text; " " is this PC; "" on any failure or when
    /// stopped. Only names that need the resolver go to the pool; the rest answer at once.
    void start(const std::string& name, const std::stop_token& stop, Completion<std::string> done);

    /// The address the kernel would send from on the default route, else the first
    /// non-loopback IPv4 address of an interface that is up, else "127.0.0.1".
    std::string thisPcAddress();

  private:
    system::SystemCalls& calls_;
    LookupPool pool_;
};

}  // namespace zelto::probes
