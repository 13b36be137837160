#include "common/clock.h"

std::tm ToLocalTime(std::time_t moment) {
  std::tm local{};
#if defined(_WIN32)
  localtime_s(&local, &moment);
#else
  localtime_r(&moment, &local);
#endif
  return local;
}

std::tm Clock::LocalTime() const {
  return ToLocalTime(Now());
}

std::time_t SystemClock::Now() const {
  return std::time(nullptr);
}

const Clock& DefaultClock() {
  static const SystemClock clock;
  return clock;
}
