#pragma once
// Per-camera recording settings that came after CamSettings: frames kept
// from before motion starts, and how much of its recordings a camera keeps.
// CamSettings is a file format other tools write, so these live in a record
// of their own, stored in the configuration file's extension. All zero is
// the behaviour of a camera without them.

#include <cstddef>
#include <cstdint>

struct RecordingExtras {
  int32_t preMotionFrames;  // 0 to 50
  int32_t keepMegabytes;    // 0 = no size limit
  int32_t keepDays;         // 0 = no age limit
};
static_assert(sizeof(RecordingExtras) == 12);
static_assert(offsetof(RecordingExtras, preMotionFrames) == 0);
static_assert(offsetof(RecordingExtras, keepMegabytes) == 4);
static_assert(offsetof(RecordingExtras, keepDays) == 8);

inline constexpr RecordingExtras kDefaultRecordingExtras{0, 0, 0};

// The values brought into range: frames 0 to 50, limits not negative.
RecordingExtras ClampRecordingExtras(RecordingExtras extras);

inline bool HasStorageLimit(const RecordingExtras& extras) {
  return extras.keepMegabytes > 0 || extras.keepDays > 0;
}
