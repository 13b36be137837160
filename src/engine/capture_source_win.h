#pragma once
// What the camera worker needs of its two kinds of capture source. The
// worker creates them on its own thread (their windows, sockets and timers
// belong to it) through a SourceFactory.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "common/picture.h"
#include "engine/cam_settings.h"
#include "engine/stream_packet_win.h"

// What every kind of source does: its device dialog, shown or hidden, names
// its camera in its title, and it tells what it is doing in a status line.
class CaptureSource {
 public:
  virtual ~CaptureSource() = default;
  // Puts the camera's number (1 for the first cell) into the dialog's title,
  // as "<dialog title> - Camera <number>".
  virtual void SetCameraNumber(int number) = 0;
  virtual void Show(bool show) = 0;
  // Called with each new status text of the source (on the worker's
  // thread, the text valid during the call only). A source without a status
  // line of its own never calls it.
  using StatusListener = std::function<void(const char* text)>;
  virtual void SetStatusListener(StatusListener) {}
};

// An IP camera: delivers decoded pictures itself by sending the worker's
// picture message.
class IpSource : public CaptureSource {
 public:
  virtual void SetSource(const char* url, bool mjpegStream) = 0;
  // Where to deliver, how often to poll (ms) and whether to be connected.
  virtual void Configure(HWND window, UINT message, int32_t intervalMs, bool running) = 0;
  // The dialog's URL (at most 258 characters), running state and mode.
  virtual void GetSource(char (&url)[kTextSize], int32_t& running, int32_t& mjpegStream) = 0;
  // An RTSP camera's second, lower-resolution stream ("" = none), decoded
  // instead of the main one while the main one is only received; the
  // dialog's address (at most 258 characters). Other sources have none.
  virtual void SetSecondSource(const char*) {}
  // Pictures come from the second stream; the main one is only received.
  virtual bool PicturesFromSecondStream() const { return false; }
  virtual void GetSecondSource(char (&url)[kTextSize]) { url[0] = '\0'; }
  // The text of its status line, for the mark of a camera without signal.
  virtual void GetStatus(char (&text)[kTextSize]) { text[0] = '\0'; }
  // Called on the worker's thread with each packet an RTSP camera sends, in
  // order; null: packets are not wanted. Other sources never call it.
  using PacketListener = std::function<void(const SharedPacket&)>;
  virtual void SetPacketListener(PacketListener) {}
};

// A capture device: polled by the worker's timer.
class DeviceSource : public CaptureSource {
 public:
  virtual void RestoreSelection(int32_t device, int32_t format, int32_t input) = 0;
  // List positions, -1 for a list without selection.
  virtual void GetSelection(int32_t& device, int32_t& format, int32_t& input) = 0;
  // The latest picture, or false when none is available.
  virtual bool GrabFrame(Picture& picture) = 0;
};

class SourceFactory {
 public:
  virtual ~SourceFactory() = default;
  // owner: the worker's window. Null when the kind is not available.
  virtual std::unique_ptr<IpSource> CreateIpSource(HWND owner, bool show) = 0;
  virtual std::unique_ptr<DeviceSource> CreateDeviceSource(HWND owner, bool show) = 0;
};
