#include "engine/mp4_recording_rules.h"

#include <algorithm>

namespace {

// A camera's clock may run ahead of the network by this much before its
// step counts as a leap.
constexpr int64_t kLeapToleranceUs = 1'000'000;

}  // namespace

PacketPlace PlacePacket(const OpenFileFacts* open, const PacketFacts& next) {
  const bool breaks =
      !open || next.parameters != open->parameters || next.arrivalUs - open->lastArrivalUs > kMaxRecordingGapUs;
  if (breaks) return next.keyFrame ? PacketPlace::kNewFile : PacketPlace::kDrop;
  if (next.fileName != open->fileName && next.keyFrame) return PacketPlace::kNewFile;
  return PacketPlace::kAppend;
}

RecordingTimeline::Stamps RecordingTimeline::Next(std::optional<int64_t> cameraDts, std::optional<int64_t> cameraPts,
                                                  int64_t arrivalUs) {
  if (!cameraDts) cameraDts = cameraPts;
  // B-frames show later than they decode; a camera that claims the opposite
  // gets neither.
  const int64_t shown = cameraDts && cameraPts ? std::max<int64_t>(*cameraPts - *cameraDts, 0) : 0;
  int64_t dts = 0;
  if (last_) {
    const int64_t arrived = std::max<int64_t>(arrivalUs - last_->arrivalUs, 0) * ticksPerSecond_ / 1'000'000;
    const int64_t leap = arrived + kLeapToleranceUs * ticksPerSecond_ / 1'000'000;
    const std::optional<int64_t> step =
        cameraDts && last_->cameraDts ? std::optional(*cameraDts - *last_->cameraDts) : std::nullopt;
    const bool trusted = step && *step > 0 && *step <= leap;
    dts = last_->dts + (trusted ? *step : std::max<int64_t>(arrived, 1));
  }
  last_ = Last{cameraDts, arrivalUs, dts};
  return {dts, dts + shown};
}
