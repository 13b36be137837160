#pragma once
// What a camera's owner asks of its worker. Every call copies what it is
// given and returns once the worker, on its own thread, has acted on it; an
// answer is the worker's own record, copied out.

#include <cstdint>
#include <memory>

#include "engine/cam_settings.h"
#include "engine/frame_slot.h"
#include "engine/motion_detector.h"
#include "engine/recording_extras.h"
#include "engine/second_stream.h"

class CameraWorker {
 public:
  // New settings; the source they name is created or kept.
  virtual void ApplySettings(const CamSettings& settings) = 0;
  virtual void SetDetectGrid(const DetectGrid& grid) = 0;
  virtual void SetExtras(const RecordingExtras& extras) = 0;
  // Switches to the source of `cameraType` and shows its dialog.
  virtual void SelectSource(int32_t cameraType) = 0;
  virtual void HideSource() = 0;
  // `settings` with the device and address fields of the sources that
  // exist as their dialogs hold them now.
  virtual CamSettings ReadSources(const CamSettings& settings) = 0;
  // `second` with the address the IP source's dialog holds, if there is one.
  virtual SecondStream ReadSecondStream(const SecondStream& second) = 0;
  // The camera's number in the grid (1 for the first cell), 0 outside it.
  virtual void SetNumber(int number) = 0;
  // The camera's own name, "" for "Camera <number>".
  virtual void SetName(const char* name) = 0;
  // An RTSP camera's second stream's address, "" for none.
  virtual void SetSecondStream(const char* url) = 0;
  // Opens the recording being written, once there is one.
  virtual void ViewFootage() = 0;
  // Where the pictures and the status news come out.
  virtual const std::shared_ptr<FrameSlot>& Slot() const = 0;

 protected:
  ~CameraWorker() = default;
};
