#pragma once
// The performance counter as the stopwatch's tick source.

#include "engine/latency.h"

class PerformanceCounterTicks final : public TickSource {
 public:
  int64_t Frequency() const override;  // QueryPerformanceFrequency
  int64_t Count() const override;      // QueryPerformanceCounter
};

// One shared instance; the counter has no state, so any thread may use it.
const TickSource& PerformanceCounter();
