#include "ui/Clock.h"

#include <langinfo.h>

#include <array>

namespace zelto::ui {

std::tm SystemClock::localNow() const {
    std::time_t now = std::time(nullptr);
    std::tm out{};
    localtime_r(&now, &out);
    return out;
}

std::tm makeLocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    std::time_t when = std::mktime(&t);  // fills in the weekday and daylight saving
    std::tm out{};
    localtime_r(&when, &out);
    return out;
}

namespace {

std::string localeFormat(const std::string& pattern, const std::tm& t) {
    std::array<char, 128> buf{};
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    std::size_t n = std::strftime(buf.data(), buf.size(), pattern.c_str(), &t);
#pragma GCC diagnostic pop
    return {buf.data(), n};
}

std::string timePattern() {
    std::string p = nl_langinfo(T_FMT);
    return p.empty() ? "%H:%M:%S" : p;
}

}  // namespace

// The user's locale decides the order of day and month, as the desktop's own clock does; the
// year always has four digits so logs stay unambiguous.
std::string generalDate(const std::tm& t) {
    std::string date = nl_langinfo(D_FMT);
    if (date.empty())
        date = "%m/%d/%Y";
    for (std::size_t i = 0; (i = date.find("%y", i)) != std::string::npos; i += 2)
        date[i + 1] = 'Y';
    return localeFormat(date + " " + timePattern(), t);
}

std::string timeOfDay(const std::tm& t) {
    return localeFormat(timePattern(), t);
}

}  // namespace zelto::ui
