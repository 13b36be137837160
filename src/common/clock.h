#pragma once
// The time as the program sees it; tests put in a clock of their own to
// fix the time or cross midnight.

#include <ctime>

class Clock {
 public:
  virtual ~Clock() = default;
  // Whole seconds since 1970-01-01 00:00:00 UTC, as time() gives them.
  virtual std::time_t Now() const = 0;
  // The same moment as local calendar time.
  virtual std::tm LocalTime() const;
};

class SystemClock final : public Clock {
 public:
  std::time_t Now() const override;
};

// Local calendar time of a moment, thread-safe on both platforms.
std::tm ToLocalTime(std::time_t moment);

// The process-wide system clock, for callers that take no clock of their own.
const Clock& DefaultClock();
