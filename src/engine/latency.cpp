#include "engine/latency.h"

#include <chrono>
#include <limits>

int64_t SteadyTickSource::Frequency() const {
  using Period = std::chrono::steady_clock::period;
  return Period::den / Period::num;
}

int64_t SteadyTickSource::Count() const {
  // Never 0, which would read as "not running".
  int64_t count = std::chrono::steady_clock::now().time_since_epoch().count();
  return count == 0 ? 1 : count;
}

int32_t ElapsedMilliseconds(int64_t start, int64_t stop, int64_t frequency) {
  if (frequency <= 0) return 0;
  double milliseconds =
      (static_cast<double>(stop) - static_cast<double>(start)) * 1000.0 / static_cast<double>(frequency);
  if (!(milliseconds > 0.0)) return 0;
  // The conversion of an out-of-range double is undefined: saturate first.
  constexpr double kLargest = static_cast<double>(std::numeric_limits<int32_t>::max());
  if (milliseconds >= kLargest) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(milliseconds);
}

int32_t LatencyStopwatch::Start(const TickSource& ticks) {
  frequency = ticks.Frequency();
  startCount = ticks.Count();
  return 0;
}

int32_t LatencyStopwatch::Stop(const TickSource& ticks) {
  if (startCount == 0) return lastResult;
  stopCount = ticks.Count();
  lastResult = ElapsedMilliseconds(startCount, stopCount, frequency);
  startCount = 0;
  return lastResult;
}
