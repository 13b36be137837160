#pragma once
// A clock that tests set to any local calendar time and move on by
// seconds, independent of the machine's time zone: the local time is kept
// as seconds since 1970 and Now() gives those same seconds.

#include <cstdint>
#include <ctime>

#include "common/clock.h"

class SettableClock final : public Clock {
 public:
  SettableClock() = default;
  SettableClock(int year, int month, int day, int hour, int minute, int second) {
    Set(year, month, day, hour, minute, second);
  }

  // month 1 to 12, day 1 to 31.
  void Set(int year, int month, int day, int hour, int minute, int second) {
    seconds_ = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  }
  void Advance(int64_t seconds) { seconds_ += seconds; }

  std::time_t Now() const override { return static_cast<std::time_t>(seconds_); }

  std::tm LocalTime() const override {
    int64_t days = seconds_ >= 0 ? seconds_ / 86400 : (seconds_ - 86399) / 86400;
    int64_t rest = seconds_ - days * 86400;
    int year = 0, month = 0, day = 0;
    CivilFromDays(days, year, month, day);
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = static_cast<int>(rest / 3600);
    t.tm_min = static_cast<int>(rest / 60 % 60);
    t.tm_sec = static_cast<int>(rest % 60);
    t.tm_wday = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    t.tm_yday = static_cast<int>(days - DaysFromCivil(year, 1, 1));
    t.tm_isdst = 0;
    return t;
  }

 private:
  // Days since 1970-01-01 of a proleptic Gregorian date.
  static int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yoe = y - era * 400;
    int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
  }
  static void CivilFromDays(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
  }

  int64_t seconds_ = 0;
};
