#pragma once

#include <ctime>
#include <string>

namespace zelto::ui {

/// The wall clock, in local time.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual std::tm localNow() const = 0;
};

class SystemClock : public Clock {
  public:
    std::tm localNow() const override;
};

class FixedClock : public Clock {
  public:
    explicit FixedClock(std::tm t) : time_(t) {}
    std::tm localNow() const override { return time_; }
    void set(std::tm t) { time_ = t; }

  private:
    std::tm time_;
};

/// Builds a local broken-down time from its parts (month 1-12), for clocks in tests.
std::tm makeLocalTime(int year, int month, int day, int hour, int minute, int second);

/// The date and time as the desktop shows a general date, e.g. "07/03/2008 14:05:09".
std::string generalDate(const std::tm& t);
/// The time of day, e.g. "14:05:09".
std::string timeOfDay(const std::tm& t);

}  // namespace zelto::ui
