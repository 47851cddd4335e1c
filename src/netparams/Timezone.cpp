#include "netparams/Timezone.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace zelto::netparams {

namespace {

constexpr const char* kWeekdays[] = {"Thursday", "Friday",  "Saturday", "Sunday",
                                     "Monday",   "Tuesday", "Wednesday"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Civil date of a day count since 1970-01-01 (proleptic Gregorian). Own arithmetic rather
// than gmtime_r: it takes any 64-bit value and cannot fail.
void civilFromDays(std::int64_t days, std::int64_t& year, int& month, int& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

}  // namespace

std::string leaseTimeText(std::int64_t utcSeconds, float biasHours) {
    // The bias is applied as a whole number of seconds; quarter-hour zones are exact in float.
    const double bias = std::fabs(biasHours) <= 24.0f ? double{biasHours} : 0.0;
    const auto shift = static_cast<std::int64_t>(std::llround(bias * 3600.0));
    // Kept far inside the 64-bit range so that no value, however damaged, overflows below.
    constexpr std::int64_t kLimit = std::int64_t{1} << 50;
    const std::int64_t clamped = utcSeconds > kLimit ? kLimit : std::max(utcSeconds, -kLimit);
    const std::int64_t local = clamped - shift;
    const std::int64_t days = floorDiv(local, 86400);
    const std::int64_t secondOfDay = local - days * 86400;
    std::int64_t year = 0;
    int month = 1;
    int day = 1;
    civilFromDays(days, year, month, day);
    const auto weekday = static_cast<std::size_t>(((days % 7) + 7) % 7);
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%s, %s %d %02d:%02d:%02d %04lld", kWeekdays[weekday],
                  kMonths[month - 1], day, static_cast<int>(secondOfDay / 3600),
                  static_cast<int>(secondOfDay / 60 % 60), static_cast<int>(secondOfDay % 60),
                  static_cast<long long>(year));
    return buffer;
}

}  // namespace zelto::netparams
