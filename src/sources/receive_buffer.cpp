#include "sources/receive_buffer.h"

#include <cstring>

#include "common/find_bytes.h"
#include "common/jpeg_codec.h"
#include "common/picture_limit.h"

namespace {
constexpr uint8_t kStartMarker[] = {0xFF, 0xD8};
constexpr uint8_t kEndMarker[] = {0xFF, 0xD9};
constexpr uint8_t kHeaderEnd[] = {'\r', '\n', '\r', '\n'};
}  // namespace

bool ReceiveBuffer::Prepare() {
  if (data_) return true;
  data_.reset(static_cast<uint8_t*>(reallocate_(nullptr, kReceiveGrowStep)));
  length_ = 0;
  capacity_ = data_ ? kReceiveGrowStep : 0;
  ResetScan();
  return data_ != nullptr;
}

ReceiveBuffer::Room ReceiveBuffer::Commit(size_t count) {
  length_ += count;
  if (length_ + kReceiveChunk > limit_) return Room::kLimitReached;
  if (length_ + kReceiveChunk > capacity_) {
    // Whole steps, but half as many again as held: step by step, a camera
    // that sends megabytes without a picture made the block move hundreds
    // of times (half a minute of copying under Wine before the cap).
    size_t steps = capacity_ / kReceiveGrowStep;
    size_t grown = (steps + (steps / 2 > 1 ? steps / 2 : 1)) * kReceiveGrowStep;
    if (grown > limit_) grown = limit_;
    void* moved = reallocate_(data_.get(), grown);
    if (!moved) return Room::kExpansionFailed;
    (void)data_.release();
    data_.reset(static_cast<uint8_t*>(moved));
    capacity_ = grown;
  }
  return Room::kReady;
}

bool ReceiveBuffer::FindFrame(Frame& frame) {
  const uint8_t* data = data_.get();
  bool found = false;
  if (!startFound_) {
    size_t at = FindBytes(data, length_, kStartMarker, sizeof kStartMarker, found, startSearch_);
    if (!found) {
      // A marker split over two reads starts at the last byte.
      if (length_ > 0) startSearch_ = length_ - 1;
      return false;
    }
    startFound_ = true;
    start_ = at;
    endSearch_ = at;
  }
  size_t end = FindBytes(data, length_, kEndMarker, sizeof kEndMarker, found, endSearch_);
  if (!found) {
    if (length_ > endSearch_ + 1) endSearch_ = length_ - 1;
    return false;
  }
  frame.start = start_;
  frame.length = end + sizeof kEndMarker - start_;
  return true;
}

void ReceiveBuffer::Consume(size_t count) {
  if (count >= length_) {
    length_ = 0;
  } else {
    std::memmove(data_.get(), data_.get() + count, length_ - count);
    length_ -= count;
  }
  ResetScan();
}

void ReceiveBuffer::Clear() {
  data_.reset();
  length_ = 0;
  capacity_ = 0;
  ResetScan();
}

void ReceiveBuffer::ResetScan() {
  startSearch_ = 0;
  startFound_ = false;
  start_ = 0;
  endSearch_ = 0;
}

bool FindSnapshotBody(const uint8_t* data, size_t length, size_t& bodyStart) {
  bool found = false;
  size_t at = FindBytes(data, length, kHeaderEnd, sizeof kHeaderEnd, found);
  if (!found || at + sizeof kHeaderEnd >= length) return false;
  bodyStart = at + sizeof kHeaderEnd;
  return true;
}

SnapshotResult DecodeSnapshot(const uint8_t* data, size_t length, Picture& picture, std::string* refusal) {
  picture.pixels.clear();
  picture.pictureInfo = {};
  size_t body = 0;
  if (length <= kShortestSnapshot || !FindSnapshotBody(data, length, body)) return SnapshotResult::kNoValidData;
  std::string tooLarge = JpegSizeRefusal(data + body, length - body);
  if (!tooLarge.empty()) {
    if (refusal) *refusal = std::move(tooLarge);
    return SnapshotResult::kTooLarge;
  }
  if (!DecodeJpeg(data + body, length - body, picture, JpegDamage::kRefuse) || !picture.HasPixels()) {
    picture.pixels.clear();
    picture.pictureInfo = {};
    return SnapshotResult::kNotJpeg;
  }
  return SnapshotResult::kPicture;
}
