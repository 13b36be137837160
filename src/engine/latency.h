#pragma once
// The display's latency stopwatch: how long a picture took from its arrival
// at the camera window to the end of the paint that showed it.
//
// Contract for the display: Start() when a new picture arrives, Stop() at
// the end of every paint. Stop() without a Start() since the last Stop()
// returns the previous figure unchanged, so the figure drawn in a paint is
// the one measured by the paint before it, and paints without a new picture
// keep it. lastResult is whole milliseconds, never negative.

#include <cstddef>
#include <cstdint>

// A monotonic counter and its rate in counts per second. The program uses
// the performance counter (latency_win.h); tests drive a fake one.
class TickSource {
 public:
  virtual ~TickSource() = default;
  virtual int64_t Frequency() const = 0;
  virtual int64_t Count() const = 0;
};

// A portable counter over std::chrono::steady_clock, for host-side callers.
class SteadyTickSource final : public TickSource {
 public:
  int64_t Frequency() const override;
  int64_t Count() const override;
};

struct LatencyStopwatch {
  int64_t startCount;  // 0 = not running
  int64_t stopCount;
  int64_t frequency;
  int32_t lastResult;  // milliseconds

  // Reads the frequency and the current count; returns 0.
  int32_t Start(const TickSource& ticks);
  // Ends a running measurement and returns its milliseconds; returns the
  // last result unchanged when the stopwatch is not running.
  int32_t Stop(const TickSource& ticks);
  bool Running() const { return startCount != 0; }
};
static_assert(sizeof(LatencyStopwatch) == 32);
static_assert(offsetof(LatencyStopwatch, startCount) == 0);
static_assert(offsetof(LatencyStopwatch, stopCount) == 8);
static_assert(offsetof(LatencyStopwatch, frequency) == 16);
static_assert(offsetof(LatencyStopwatch, lastResult) == 24);

// Milliseconds between two counts, truncated; 0 for a negative span or an
// unusable frequency, saturated at the largest 32-bit value.
int32_t ElapsedMilliseconds(int64_t start, int64_t stop, int64_t frequency);
