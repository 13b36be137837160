#pragma once
// The times an access unit of an RTSP camera carries, as FFmpeg's RTSP
// reader gives them, so a recording made from them stays the same: the
// presentation time is the RTP timestamp unwrapped and counted from the
// first unit's; the decoding time equals it until a B picture comes, and
// from then on is the earlier of the newest presentation time and the
// latest of those before it (one picture of reordering; unknown for the
// first B picture).

#include <cstdint>

class RtpTimeline {
 public:
  static constexpr int64_t kUnknown = INT64_MIN;
  struct Stamps {
    int64_t pts = 0;
    int64_t dts = 0;
  };

  // The next access unit's times, in ticks of the RTP clock.
  Stamps Next(uint32_t rtpTimestamp, bool bPicture);

 private:
  bool started_ = false;
  uint32_t last_ = 0;
  int64_t pts_ = 0;
  bool reordered_ = false;
  int64_t earlier_ = kUnknown;
  int64_t later_ = kUnknown;
};
