#include "sources/rtsp_timeline.h"

#include <utility>

RtpTimeline::Stamps RtpTimeline::Next(uint32_t rtpTimestamp, bool bPicture) {
  // Steps of either sign up to half the timestamp's range: a camera's clock
  // wraps after 13 hours at 90 kHz.
  if (started_) pts_ += static_cast<int32_t>(rtpTimestamp - last_);
  started_ = true;
  last_ = rtpTimestamp;
  reordered_ = reordered_ || bPicture;
  earlier_ = pts_;
  if (!reordered_) return {pts_, pts_};
  if (earlier_ > later_) std::swap(earlier_, later_);
  return {pts_, earlier_};
}
