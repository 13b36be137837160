#pragma once
// What the camera worker makes of a motion level: whether the picture has
// motion and whether it is recorded.

#include <cstdint>

#include "engine/cam_settings.h"

// A picture has motion when its level is strictly above the trigger level.
inline bool HasMotion(int32_t motionLevel, int32_t triggerLevel) {
  return motionLevel > triggerLevel;
}

// The recording gate of the worker's save step, over its saveCountdown.
// With motionEnabled set, a picture with motion restarts the countdown at
// saveCount + 1, and a picture is recorded while the countdown is above 0,
// each recorded picture taking one off: the motion picture and the next
// saveCount pictures are recorded. A negative saveCount counts as 0. With
// motionEnabled clear the countdown is cleared and every picture may be
// recorded. Returns true when the picture is to be recorded.
bool TakeRecordingTurn(const CamSettings& settings, int32_t motionLevel, uint32_t& saveCountdown);
