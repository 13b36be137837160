#include "engine/recording_extras.h"

#include <algorithm>

#include "engine/pre_motion_ring.h"

RecordingExtras ClampRecordingExtras(RecordingExtras extras) {
  extras.preMotionFrames = std::clamp(extras.preMotionFrames, 0, kMaxPreMotionFrames);
  extras.keepMegabytes = std::max(extras.keepMegabytes, 0);
  extras.keepDays = std::max(extras.keepDays, 0);
  extras.recordAsSent = extras.recordAsSent != 0 ? 1 : 0;
  return extras;
}
