#pragma once
// Per-camera recording settings that came after CamSettings: frames kept
// from before motion starts, and how much of its recordings a camera keeps.
// CamSettings is a file format other tools write, so these live in a record
// of their own, stored in the configuration file's extension. All zero is
// the behaviour of a camera without them; a new camera records an RTSP
// camera's own packets.

#include <cstddef>
#include <cstdint>

struct RecordingExtras {
  int32_t preMotionFrames;   // 0 to 50
  int32_t keepMegabytes;     // 0 = no size limit
  int32_t keepDays;          // 0 = no age limit
  int32_t recordAsSent = 0;  // RTSP cameras: 1 = the camera's packets in .mp4, 0 = JPEG pictures
};
static_assert(sizeof(RecordingExtras) == 16);
static_assert(offsetof(RecordingExtras, preMotionFrames) == 0);
static_assert(offsetof(RecordingExtras, keepMegabytes) == 4);
static_assert(offsetof(RecordingExtras, keepDays) == 8);
static_assert(offsetof(RecordingExtras, recordAsSent) == 12);

// A new camera's.
inline constexpr RecordingExtras kDefaultRecordingExtras{0, 0, 0, 1};
// A camera loaded from a file written before the recording format existed.
inline constexpr RecordingExtras kLoadedRecordingExtras{0, 0, 0, 0};

// The values brought into range: frames 0 to 50, limits not negative, the
// format 0 or 1.
RecordingExtras ClampRecordingExtras(RecordingExtras extras);

inline bool HasStorageLimit(const RecordingExtras& extras) {
  return extras.keepMegabytes > 0 || extras.keepDays > 0;
}
