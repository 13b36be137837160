#pragma once
// When the next frame of an MJPEG stream may go out: one per interval on a
// steady grid of due times. A frame that comes up to half an interval late
// does not move the grid, so a camera exactly as fast as the interval loses
// no frame to timer or network jitter, while a faster camera is thinned to
// the interval. After a stall the grid starts again from the late frame.

#include <cstdint>

#include "common/steady_time.h"

class FramePace {
 public:
  // A frame went out at nowMs (any steady millisecond clock); returns how
  // long from now until the next one is due, at least 1 ms.
  int64_t Delivered(int64_t nowMs, int32_t intervalMs) {
    const int64_t interval = intervalMs > 0 ? intervalMs : 1;
    const int64_t onGrid = next_ + interval, fromNow = nowMs + interval / 2;
    next_ = !started_ ? nowMs + interval : (onGrid > fromNow ? onGrid : fromNow);
    started_ = true;
    return next_ - nowMs > 1 ? next_ - nowMs : 1;
  }
  // A new connection: its first frame goes out at once and starts the grid.
  void Reset() { started_ = false; }

 private:
  bool started_ = false;
  int64_t next_ = 0;
};
