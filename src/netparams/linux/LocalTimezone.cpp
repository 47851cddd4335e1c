#include "netparams/linux/LocalTimezone.h"

namespace zelto::netparams {

float LocalTimezone::TimezoneBiasHours() const {
    // localtime_r need not look at TZ or /etc/localtime again; a user who changes the zone
    // while the program runs expects the new one.
    ::tzset();
    const std::time_t now = now_ != nullptr ? now_() : std::time(nullptr);
    std::tm local{};
    if (::localtime_r(&now, &local) == nullptr)
        return 0.0f;
    return -static_cast<float>(local.tm_gmtoff) / 3600.0f;
}

}  // namespace zelto::netparams
