#pragma once
// What happened at a camera, as the event log keeps it and every alert
// channel tells it. An alert is a value: a channel keeps its own copy.

#include <cstdint>
#include <string>
#include <vector>

enum class EventKind : int32_t {
  kMotion = 1,
  kSignalLost = 2,
  kSignalBack = 3,
  kRecordingFailed = 4,
  kStorageFull = 5,  // the storage limit could not free space
  kAlertFailed = 6,  // an alert could not be delivered
};

// The kind in words, lower case, as messages and the store show it:
// "motion", "signal lost", ...
const char* EventKindName(EventKind kind);

struct Alert {
  int64_t eventId = 0;     // the event's row in the store, 0 before it has one
  int camera = 0;          // the camera's number in the grid, from 1
  std::string cameraName;  // the camera's own name, "" when it has none
  EventKind kind = EventKind::kMotion;
  bool ended = false;              // a motion event's end, after its start was told
  int64_t time = 0;                // when it happened, seconds since 1970 (UTC)
  int32_t utcOffset = 0;           // seconds east of UTC of the computer's clock then
  int32_t level = 0;               // motion: the strongest level so far
  std::vector<uint8_t> thumbnail;  // JPEG about 320 pixels wide, or empty
  std::vector<uint8_t> snapshot;   // motion start: the whole picture as JPEG
  std::string pictureUrl;          // the thumbnail on our web server, or ""
  std::string detail;              // what a failure said, for its event
};

// Seconds east of UTC of the computer's clock at `time`.
int32_t LocalUtcOffset(int64_t time);
// "Camera 2 (Front door)", or "Camera 2" for a camera without a name.
std::string CameraTitle(const Alert& alert);
// "Motion on Camera 2 (Front door) at 14:03:22", in the computer's time.
std::string AlertSubject(const Alert& alert);
// The time as ISO 8601 with its offset, "2026-12-09T14:03:22+01:00".
std::string AlertIsoTime(const Alert& alert);
