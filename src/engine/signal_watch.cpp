#include "engine/signal_watch.h"

#include "common/clock.h"
#include "common/fixed_text.h"

bool SignalWatch::IsLost(int64_t nowMs, int32_t intervalMs) const {
  if (!seen_) return false;
  const int64_t intervals = kSignalLostIntervals * (intervalMs > 0 ? intervalMs : 0);
  const int64_t limit = intervals > floorMs_ ? intervals : floorMs_;
  return nowMs - lastMs_ >= limit;
}

bool FormatNoSignal(std::time_t since, char* text, size_t capacity) {
  const std::tm local = ToLocalTime(since);
  return FormatText(text, capacity, "No signal since %02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
}
