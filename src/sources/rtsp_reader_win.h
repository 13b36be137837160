#pragma once
// Reads one RTSP camera on a thread of its own: connects (RTP inside the
// RTSP TCP connection, which passes firewalls), decodes every frame of the
// first video stream and, when asked, converts the next one into the
// program's picture layout. FFmpeg's calls block, so the thread sees the
// stop request and a stalled stream through FFmpeg's interrupt callback.
// Each new status text and each converted picture is announced by a posted
// message to the owner's window; the owner takes them on its own thread.

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "common/picture.h"

class RtspReader {
 public:
  struct Options {
    int32_t stallTimeoutMs = 20000;  // nothing read for so long: the stream is lost
    int32_t retryDelayMs = 5000;     // after a failure or a loss
  };

  // Starts reading at once; the first decoded picture is converted unasked.
  RtspReader(std::string url, HWND window, UINT message, Options options);
  // Stops the thread and waits for it: FFmpeg looks at the stop request at
  // least every 100 ms while it waits for the network.
  ~RtspReader();
  RtspReader(const RtspReader&) = delete;
  RtspReader& operator=(const RtspReader&) = delete;

  // The next decoded frame is converted and announced.
  void RequestPicture();
  // A status text not yet taken.
  bool TakeStatus(std::string& text);
  // The converted picture, swapped into picture; its old buffer is reused.
  bool TakePicture(Picture& picture);

 private:
  void Run();
  // One connection from start to end; the status text of how it ended.
  std::string ReadOnce();
  void PublishStatus(std::string text);
  // On the reading thread: a converted picture for the owner.
  void PublishPicture();
  bool Interrupted() const;
  static int OnInterrupt(void* reader);

  const std::string url_;
  const HWND window_;
  const UINT message_;
  const Options options_;

  std::atomic<bool> stopping_{false};
  std::atomic<bool> pictureWanted_{true};
  std::atomic<int64_t> lastDataMs_{0};

  std::mutex mutex_;  // guards what follows, up to the thread
  std::condition_variable wake_;
  std::string status_;
  bool statusNew_ = false;
  Picture ready_;
  bool pictureNew_ = false;

  Picture converted_;  // the reading thread's own
  std::thread thread_;
};
