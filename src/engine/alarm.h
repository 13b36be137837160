#pragma once
// The motion alarm: one sound at the start of every motion episode.
//
// Contract for the camera worker: call UpdateMotionAlarm() once per picture
// at the start of its save step, with the camera's settings, the picture's
// motion level and the worker's motionLatch. The rule acts only when both
// motionSound and motionEnabled are set: a picture with motion plays the
// sound unless the latch is set and then sets it; a picture without motion
// clears it. With either flag clear the latch is left as it is.

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/cam_settings.h"

// The seam between the rule and the sound device.
class AlarmSound {
 public:
  virtual ~AlarmSound() = default;
  // Starts the alarm without waiting for it to end.
  virtual void Play() = 0;
};

void UpdateMotionAlarm(const CamSettings& settings, int32_t motionLevel, int32_t& motionLatch, AlarmSound& sound);

// The alarm's file name, always beside the program; the soundFile setting
// is not consulted.
inline constexpr std::string_view kAlarmFileName = "motion.wav";
// The longest path the program's own path is read into, with its NUL.
inline constexpr size_t kProgramPathSize = 1024;

// programPath with everything after its last backslash replaced by
// "motion.wav". Empty when the path has no backslash or the result would
// not fit kProgramPathSize with its NUL.
std::string AlarmSoundPath(std::string_view programPath);
