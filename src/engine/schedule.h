#pragma once
// The weekly recording schedule of a camera: whether a frame taken at a
// given local time may be recorded.

#include <ctime>

#include "common/clock.h"
#include "engine/cam_settings.h"

enum class ScheduleDecision {
  kRecord,
  // Today is not a recording day: save nothing, leave an open file open.
  kSkip,
  // Outside today's time window: save nothing and close the open file.
  kSkipAndClose,
};

// The decision for a frame at `localTime`, from scheduleFlags,
// scheduleStart and scheduleStop:
// - scheduleFlags 0: no schedule, always kRecord.
// - Today (weekday w, 0 = Sunday) qualifies when its day box, bit w + 1, is
//   set; any number of days may be checked. Otherwise kSkip. Bit 0 alone
//   lets no day qualify.
// - Windows are seconds after midnight, read as unsigned, inclusive at both
//   ends, never wrapping past midnight (a start after its stop matches
//   nothing). Element 0 is the window of all days and, when its start and
//   stop differ, decides alone; otherwise today's own window w + 1 decides,
//   where start equal to stop is the whole day. Outside the window:
//   kSkipAndClose.
// A calendar time with fields out of range gives kSkip.
ScheduleDecision ScheduleAllows(const CamSettings& settings, const std::tm& localTime);

// The same at the clock's current local time.
ScheduleDecision ScheduleAllows(const CamSettings& settings, const Clock& clock);
