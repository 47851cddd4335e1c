#pragma once

#include <cstdint>
#include <string>

namespace zelto::netparams {

/// The local time zone as the lease times need it.
class Timezone {
  public:
    virtual ~Timezone() = default;
    /// Hours local time is behind UTC now, daylight saving included (UTC+2 gives -2).
    virtual float TimezoneBiasHours() const = 0;
};

/// A lease time (seconds since 1970 UTC) as local time "dddd, mmm d hh:mm:ss yyyy" with
/// English names, shifted by `biasHours`: "Saturday, Dec 5 05:28:14 2026".
std::string leaseTimeText(std::int64_t utcSeconds, float biasHours);

}  // namespace zelto::netparams
