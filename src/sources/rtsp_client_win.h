#pragma once
// An RTSP session with an H.264 or H.265 camera on the caller's thread:
// one TCP connection with the RTP inside it, read in blocks of up to
// 64 KiB as they come (FFmpeg's demuxer reads each RTP packet in three
// reads, each costing Wine's server a poll and a receive). RtspSession
// decides what is said; this moves its bytes, sends its keep-alives and
// sees the caller's interruption before every read and at least every
// 100 ms while it waits.

#include <functional>
#include <string_view>

#include "common/scoped_handle_win.h"
#include "sources/rtsp_session.h"

class RtspClient {
 public:
  enum class End {
    kNone,
    kUnresolved,
    kRefused,
    kInterrupted,
    kClosed,   // the camera ended the connection, or it failed
    kSession,  // Session().CurrentFailure() tells why
  };

  // interrupted: asked while waiting for the network; true ends the wait.
  RtspClient(std::string_view url, std::function<bool()> interrupted);
  // Tears the session down, without waiting for the answer.
  ~RtspClient();
  RtspClient(const RtspClient&) = delete;
  RtspClient& operator=(const RtspClient&) = delete;

  // Connects and sets the session up; true once the camera plays.
  bool Start();
  // The next access unit, waiting for it; false once the connection ended.
  bool Read(AccessUnit& unit);
  End Ending() const { return end_; }
  const RtspSession& Session() const { return session_; }
  // Whether the camera sent anything at all on this connection.
  bool Answered() const { return answered_; }

 private:
  // Sends what waits, then receives what came, waiting for it a while
  // after a read that emptied the socket.
  bool Exchange();
  bool Send(const std::string& request);
  bool Finish(End end);

  RtspSession session_;
  std::function<bool()> interrupted_;
  ScopedSocket socket_;
  End end_ = End::kNone;
  bool answered_ = false;
  bool drained_ = true;
};
