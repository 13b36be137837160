#pragma once
// When a camera counts as without signal: it has shown a picture, and no
// new one followed for three of its intervals and at least 10 s. Its cell
// then shows the picture dimmed with a mark, and the web server serves no
// picture for it, until the next picture comes.

#include <cstddef>
#include <cstdint>
#include <ctime>

inline constexpr int64_t kSignalLostFloorMs = 10000;
inline constexpr int64_t kSignalLostIntervals = 3;

class SignalWatch {
 public:
  // floorMs: kSignalLostFloorMs for a camera; shorter only in tests.
  explicit SignalWatch(int64_t floorMs = kSignalLostFloorMs) : floorMs_(floorMs) {}

  // A new picture at nowMs on a steady millisecond clock, taken at the
  // calendar time `taken`.
  void OnPicture(int64_t nowMs, std::time_t taken) {
    lastMs_ = nowMs;
    lastTaken_ = taken;
    seen_ = true;
  }
  // The camera shows no picture any more: nothing to call lost.
  void Forget() { seen_ = false; }
  bool IsLost(int64_t nowMs, int32_t intervalMs) const;
  // When the last picture was taken.
  std::time_t LastPictureTime() const { return lastTaken_; }

 private:
  int64_t floorMs_;
  int64_t lastMs_ = 0;
  std::time_t lastTaken_ = 0;
  bool seen_ = false;
};

// "No signal since 14:03:22", in local time; false when it does not fit.
bool FormatNoSignal(std::time_t since, char* text, size_t capacity);
