#pragma once
// What the camera worker needs of its two kinds of capture source. The
// worker creates them on its own thread (their windows, sockets and timers
// belong to it) through a SourceFactory.

#include <windows.h>

#include <cstdint>
#include <memory>

#include "common/picture.h"
#include "engine/cam_settings.h"

// An IP camera: delivers decoded pictures itself by sending the worker's
// picture message.
class IpSource {
 public:
  virtual ~IpSource() = default;
  virtual void SetSource(const char* url, bool mjpegStream) = 0;
  // Where to deliver, how often to poll (ms) and whether to be connected.
  virtual void Configure(HWND window, UINT message, int32_t intervalMs, bool running) = 0;
  // The dialog's URL (at most 258 characters), running state and mode.
  virtual void GetSource(char (&url)[kTextSize], int32_t& running, int32_t& mjpegStream) = 0;
  virtual void Show(bool show) = 0;
  // The text of its status line, for the mark of a camera without signal.
  virtual void GetStatus(char (&text)[kTextSize]) { text[0] = '\0'; }
};

// A capture device: polled by the worker's timer.
class DeviceSource {
 public:
  virtual ~DeviceSource() = default;
  virtual void RestoreSelection(int32_t device, int32_t format, int32_t input) = 0;
  // List positions, -1 for a list without selection.
  virtual void GetSelection(int32_t& device, int32_t& format, int32_t& input) = 0;
  // The latest picture, or false when none is available.
  virtual bool GrabFrame(Picture& picture) = 0;
  virtual void Show(bool show) = 0;
};

class SourceFactory {
 public:
  virtual ~SourceFactory() = default;
  // owner: the worker's window. Null when the kind is not available.
  virtual std::unique_ptr<IpSource> CreateIpSource(HWND owner, bool show) = 0;
  virtual std::unique_ptr<DeviceSource> CreateDeviceSource(HWND owner, bool show) = 0;
};
