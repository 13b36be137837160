#pragma once
// Reads one RTSP camera on a thread of its own: connects (RTP inside the
// RTSP TCP connection, which passes firewalls), decodes every frame of the
// first video stream (unless told to leave that to a second stream) and,
// when asked, converts the next one into the program's picture layout.
// Where pictures are wanted no more often than the camera sends key frames,
// only the key frames are decoded. H.264 and H.265 cameras are read by the
// program's own RTSP client, other codecs by FFmpeg's demuxer; both wait
// for the network in slices of at most 100 ms, seeing the stop request and
// a stalled stream in between.
// Each new status text and each converted picture is announced by a posted
// message to the owner's window; the owner takes them on its own thread.
// When asked, the received packets are queued for the owner too, shared
// and unchanged, with one message whenever the queue stops being empty.

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/picture.h"
#include "engine/stream_packet_win.h"
#include "sources/camera_retry.h"

class VideoInput;

class RtspReader {
 public:
  struct Options {
    int32_t stallTimeoutMs = 20000;              // nothing read for so long: the stream is lost
    int32_t retryDelayMs = kCameraRetryDelayMs;  // after a failure or a loss
    // Off: the stream is only received (its packets queued), never
    // decoded; its pictures come from a second stream.
    bool decode = true;
  };

  // Starts reading at once; the first decoded picture is converted unasked.
  RtspReader(std::string url, HWND window, UINT message, Options options);
  // Stops the thread and waits for it: the reading looks at the stop
  // request at least every 100 ms.
  ~RtspReader();
  RtspReader(const RtspReader&) = delete;
  RtspReader& operator=(const RtspReader&) = delete;

  // The next decoded frame is converted and announced.
  void RequestPicture();
  // How often pictures are asked for, in ms.
  void SetPictureInterval(int32_t intervalMs) { pictureIntervalMs_ = intervalMs; }
  // A status text not yet taken.
  bool TakeStatus(std::string& text);
  // The converted picture, swapped into picture; its old buffer is reused.
  bool TakePicture(Picture& picture);
  // Whether received packets are queued; off forgets the queued ones.
  void WantPackets(bool wanted);
  // The packets queued since the last call, oldest first.
  void TakePackets(std::vector<SharedPacket>& packets);

 private:
  void Run();
  // One connection from start to end; the status text of how it ended.
  std::string ReadOnce();
  // The same through FFmpeg's demuxer, for the codecs our client leaves to it.
  std::string ReadWithFfmpeg();
  // The connection's video, decoded and queued until it ends.
  std::string Receive(VideoInput& input);
  void PublishStatus(std::string text);
  // On the reading thread: a converted picture for the owner.
  void PublishPicture();
  // On the reading thread: a packet of the video stream for the owner.
  void PublishPacket(const AVPacket& packet, std::shared_ptr<const StreamFormat> format);
  bool Interrupted() const;
  static int OnInterrupt(void* reader);

  const std::string url_;
  const HWND window_;
  const UINT message_;
  const Options options_;

  std::atomic<bool> stopping_{false};
  std::atomic<bool> pictureWanted_{true};
  std::atomic<bool> packetsWanted_{false};
  std::atomic<int32_t> pictureIntervalMs_{0};
  std::atomic<int64_t> lastDataMs_{0};

  std::mutex mutex_;  // guards what follows, up to the thread
  std::condition_variable wake_;
  std::string status_;
  bool statusNew_ = false;
  Picture ready_;
  bool pictureNew_ = false;
  std::deque<SharedPacket> packets_;
  // The owner fell behind and the queue was dropped: packets up to the next
  // key frame could not be decoded.
  bool packetsUntilKeyFrameLost_ = false;

  Picture converted_;  // the reading thread's own
  std::thread thread_;
};
