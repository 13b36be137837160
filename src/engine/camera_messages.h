#pragma once
// The private messages between a camera object, its worker, the setup
// dialog and the main window, and the record that carries a picture from a
// worker to its display.

#include <cstdint>

#include "common/box_scale.h"
#include "common/picture.h"
#include "engine/motion_detector.h"

namespace camera_msg {
inline constexpr unsigned kSelectSource = 1325;  // wParam camera type; shows its device dialog
inline constexpr unsigned kHideSource = 1326;
inline constexpr unsigned kSourceStatus = 1327;   // worker -> display, wParam const char* or null
inline constexpr unsigned kPictureUpdate = 1328;  // worker -> display, wParam PictureUpdate*
inline constexpr unsigned kSettings = 1329;       // wParam const CamSettings*
inline constexpr unsigned kDetectGrid = 1330;     // wParam const DetectGrid*
inline constexpr unsigned kReadSources = 1331;    // wParam &CamSettings::cameraType of the record to fill
inline constexpr unsigned kPicture = 1332;        // wParam pixels, lParam const PictureInfo*
inline constexpr unsigned kSetReceiver = 1333;    // wParam window or 0, lParam message
inline constexpr unsigned kStatus = 1334;         // wParam const char* or null
inline constexpr unsigned kViewFootage = 1335;
inline constexpr unsigned kRecordingExtras = 1336;  // wParam const RecordingExtras*
inline constexpr unsigned kCameraNumber = 1337;     // wParam the camera's number in the grid, 0 outside it
inline constexpr unsigned kSignalLost = 1338;       // worker -> display, wParam const SignalLost* or null
inline constexpr unsigned kCameraName = 1339;       // wParam const char*, the camera's own name or ""
inline constexpr unsigned kSecondStream = 1340;     // wParam const char*, the second stream's address or ""
// wParam char[260] filled with the IP source's second stream address
inline constexpr unsigned kReadSecondStream = 1341;
inline constexpr unsigned kGrabTimer = 10;
inline constexpr unsigned kSignalTimer = 11;
}  // namespace camera_msg

// Valid only during the call that carries it; the display copies what it
// keeps.
struct PictureUpdate {
  const uint8_t* pixels;  // null: no picture
  const PictureInfo* pictureInfo;
  DetectRect rect;
  int32_t motionLevel;
  // The picture already scaled to the display's client size (box_scale.h),
  // or null: the display scales it itself.
  const CellImage* scaled = nullptr;
  // The camera recorded its last frame (the cell's "REC" mark).
  bool recording = false;
};

// The camera has shown no new picture for a while (signal_watch.h). The
// mark ends with the next picture update.
struct SignalLost {
  int64_t since;  // when the last picture was taken, as time() counts
  char sourceStatus[260];
};
