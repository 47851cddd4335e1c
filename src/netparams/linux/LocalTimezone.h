#pragma once

#include <ctime>

#include "netparams/Timezone.h"

namespace zelto::netparams {

/// The bias of the local time zone from tm_gmtoff, so daylight saving time counts when in
/// force.
class LocalTimezone : public Timezone {
  public:
    using Now = std::time_t (*)();
    /// `now` gives the instant whose offset counts (tests pick one); the clock when null.
    explicit LocalTimezone(Now now = nullptr) : now_(now) {}
    float TimezoneBiasHours() const override;

  private:
    Now now_;
};

}  // namespace zelto::netparams
