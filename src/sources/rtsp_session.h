#pragma once
// One RTSP session with a camera, from the first request to playing, with
// its RTP inside the connection: which requests to send and when, what
// the answers mean, and the video's access units out of the bytes that
// come back. No socket and no clock here: the caller sends what
// TakeRequest gives, puts what it receives into ReceiveSpace, and says
// what time it is.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "sources/rtsp_depacketizer.h"
#include "sources/rtsp_message.h"
#include "sources/rtsp_rtp.h"
#include "sources/rtsp_sdp.h"
#include "sources/rtsp_stream_splitter.h"

inline constexpr int kDefaultRtspSessionTimeoutSeconds = 60;

class RtspSession {
 public:
  enum class State { kConnecting, kPlaying, kFailed };
  enum class Failure {
    kNone,
    kInvalidUrl,
    kAuthenticationRefused,
    kStreamNotFound,
    kNotRtsp,           // an answer that is no RTSP, or an error status
    kNoVideo,           // the description has no video
    kUnsupportedCodec,  // Video().encoding names it
    kStreamLost,        // the connection's bytes no longer make sense
  };
  struct Options {
    std::string userAgent;
    // The client's random text for Digest answers with qop.
    std::string cnonce;
  };

  // An invalid URL fails at once; otherwise the first request is waiting.
  RtspSession(std::string_view url, Options options);

  // The next request to send, stamped as sent at nowMs; nothing when none waits.
  std::optional<std::string> TakeRequest(int64_t nowMs);
  // Received bytes go here, then Process.
  uint8_t* ReceiveSpace(size_t size) { return splitter_.WriteSpace(size); }
  void Commit(size_t count) { splitter_.Commit(count); }
  // Reads every whole answer and frame received.
  void Process();
  // Queues a keep-alive once half the session's timeout has passed since
  // the last request.
  void Tick(int64_t nowMs);
  // When Tick will next queue a keep-alive; only while playing.
  int64_t KeepAliveDueMs() const;
  // Queues TEARDOWN when a session was set up.
  void Stop();

  State CurrentState() const { return state_; }
  Failure CurrentFailure() const { return failure_; }
  const RtspUrl& Url() const { return url_; }
  const SdpVideo& Video() const { return video_; }
  const std::string& SessionId() const { return sessionId_; }
  int TimeoutSeconds() const { return timeoutSeconds_; }
  bool TakeAccessUnit(AccessUnit& unit) { return depacketizer_ && depacketizer_->Take(unit); }
  // The depacketizer's latest judgement of a dropped access unit.
  RtpDepacketizer::Damage LastDamage() const { return lastDamage_; }
  uint64_t DroppedUnits() const { return depacketizer_ ? depacketizer_->DroppedUnits() : 0; }
  // The camera's wall-clock time of a video RTP timestamp, in microseconds
  // since 1970, once it sent a sender report.
  std::optional<int64_t> CaptureTime(uint32_t rtpTimestamp) const;

 private:
  enum class Step { kOptions, kDescribe, kSetup, kPlay, kKeepAlive, kTeardown };
  void Queue(Step step);
  void OnResponse(const RtspResponse& response);
  void OnSuccess(const RtspResponse& response);
  void OnFrame(uint8_t channel, const uint8_t* data, size_t size);
  void Fail(Failure failure);

  RtspUrl url_;
  Options options_;
  RtspStreamSplitter splitter_;
  State state_ = State::kConnecting;
  Failure failure_ = Failure::kNone;

  std::optional<std::string> outgoing_;
  Step pendingStep_ = Step::kOptions;
  int pendingCseq_ = 0;
  int cseq_ = 0;
  int64_t lastRequestMs_ = 0;

  RtspChallenge challenge_;
  bool authenticationTried_ = false;
  uint32_t nonceCount_ = 0;

  bool getParameterAllowed_ = false;
  std::string baseUrl_;
  SdpVideo video_;
  std::string sessionId_;
  int timeoutSeconds_ = kDefaultRtspSessionTimeoutSeconds;
  uint8_t videoChannel_ = 0;
  std::optional<RtpDepacketizer> depacketizer_;
  RtpDepacketizer::Damage lastDamage_ = RtpDepacketizer::Damage::kNone;
  std::optional<RtcpSenderReport> senderReport_;
};
