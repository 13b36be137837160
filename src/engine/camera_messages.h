#pragma once
// The messages of a camera's worker window. Its owner commands it through
// CameraWorker (camera_worker.h); what it shows goes out through its frame
// slot (frame_slot.h).

namespace camera_msg {
// The IP source's picture, sent on the worker's own thread: wParam pixels,
// lParam const PictureInfo*.
inline constexpr unsigned kPicture = 1332;
// Commands wait in the worker's queue; the message carries nothing.
inline constexpr unsigned kRunCommands = 1333;
inline constexpr unsigned kGrabTimer = 10;
inline constexpr unsigned kSignalTimer = 11;
}  // namespace camera_msg
