#include "engine/latency_win.h"

#include <windows.h>

int64_t PerformanceCounterTicks::Frequency() const {
  LARGE_INTEGER frequency{};
  if (!QueryPerformanceFrequency(&frequency)) return 0;
  return frequency.QuadPart;
}

int64_t PerformanceCounterTicks::Count() const {
  LARGE_INTEGER count{};
  QueryPerformanceCounter(&count);
  return count.QuadPart;
}

const TickSource& PerformanceCounter() {
  static const PerformanceCounterTicks ticks;
  return ticks;
}
