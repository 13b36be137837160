#include "sources/rtsp_depacketizer.h"

#include <algorithm>

namespace {

constexpr uint8_t kStartCode[4] = {0, 0, 0, 1};

size_t Read16(const uint8_t* p) {
  return size_t{p[0]} << 8 | p[1];
}

}  // namespace

RtpDepacketizer::Damage RtpDepacketizer::Push(const RtpPacket& packet) {
  const bool lost = sequenceKnown_ && packet.sequence != nextSequence_;
  sequenceKnown_ = true;
  nextSequence_ = static_cast<uint16_t>(packet.sequence + 1);
  pushDamage_ = Damage::kNone;
  // The lost packets may have ended the unit in progress or begun this one.
  if (lost && open_) Break(Damage::kGap);
  if (open_ && packet.timestamp != timestamp_) Finish();
  if (!open_) {
    open_ = true;
    timestamp_ = packet.timestamp;
    if (lost) Break(Damage::kGap);
  }
  if (damage_ == Damage::kNone) {
    if (codec_ == VideoCodec::kH264)
      ReadH264(packet.payload, packet.payloadSize);
    else
      ReadH265(packet.payload, packet.payloadSize);
  }
  if (packet.marker) Finish();
  return pushDamage_;
}

bool RtpDepacketizer::Take(AccessUnit& unit) {
  if (ready_.empty()) return false;
  unit = std::move(ready_.front());
  ready_.pop_front();
  return true;
}

void RtpDepacketizer::Break(Damage damage) {
  if (damage_ == Damage::kNone) damage_ = damage;
}

void RtpDepacketizer::NoteUnitType(const uint8_t* header) {
  if (codec_ == VideoCodec::kH264) {
    const int type = header[0] & 0x1F;
    picture_ = picture_ || (type >= 1 && type <= 5);
    keyFrame_ = keyFrame_ || type == 5;
  } else {
    const int type = (header[0] >> 1) & 0x3F;
    picture_ = picture_ || type <= 31;
    keyFrame_ = keyFrame_ || (type >= 16 && type <= 23);
  }
}

// FFmpeg's frame splitter begins an access unit at these units: the ones
// that precede a picture, and the first slice of a picture. `first` is the
// byte behind the unit header.
bool RtpDepacketizer::BeginsAccessUnit(const uint8_t* header, uint8_t first) const {
  if (codec_ == VideoCodec::kH264) {
    const int type = header[0] & 0x1F;
    // A first_mb_in_slice of 0 is coded as a single 1 bit.
    return (type >= 6 && type <= 9) || ((type == 1 || type == 2 || type == 5) && (first & 0x80));
  }
  const int type = (header[0] >> 1) & 0x3F;
  const bool slice = type <= 9 || (type >= 16 && type <= 21);
  return (type >= 32 && type <= 37) || type == 39 || (type >= 41 && type <= 44) || (type >= 48 && type <= 55) ||
         (slice && (first & 0x80));
}

void RtpDepacketizer::AppendUnit(const uint8_t* header, size_t headerSize, const uint8_t* data, size_t size,
                                 bool startCode) {
  // A second picture or what precedes one, under the same timestamp.
  if (startCode && picture_ && BeginsAccessUnit(header, size > 0 ? data[0] : 0)) {
    Finish();
    open_ = true;
  }
  const size_t added = (startCode ? sizeof kStartCode : 0) + headerSize + size;
  if (added > limit_ - std::min(limit_, bytes_.size() + carried_.size())) return Break(Damage::kTooLarge);
  if (startCode) {
    bytes_.insert(bytes_.end(), kStartCode, kStartCode + sizeof kStartCode);
    NoteUnitType(header);
  }
  bytes_.insert(bytes_.end(), header, header + headerSize);
  bytes_.insert(bytes_.end(), data, data + size);
}

// 16-bit size, unit, 16-bit size, unit... (STAP-A, AP); a last byte or two
// too short for a size is padding.
void RtpDepacketizer::AppendAggregate(const uint8_t* data, size_t size) {
  const size_t headerSize = codec_ == VideoCodec::kH264 ? 1 : 2;
  while (size > 2) {
    const size_t unitSize = Read16(data);
    data += 2;
    size -= 2;
    if (unitSize > size || unitSize < headerSize) return Break(Damage::kMalformed);
    AppendUnit(data, headerSize, data + headerSize, unitSize - headerSize, true);
    data += unitSize;
    size -= unitSize;
  }
}

void RtpDepacketizer::AppendFragment(const uint8_t* header, size_t headerSize, const uint8_t* data, size_t size,
                                     bool start, bool end) {
  // A start while a unit is open, or a continuation of none: fragments were lost.
  if (start == fragmentOpen_) return Break(Damage::kMalformed);
  if (start)
    AppendUnit(header, headerSize, data, size, true);
  else
    AppendUnit(data, size, nullptr, 0, false);
  fragmentOpen_ = !end;
}

void RtpDepacketizer::ReadH264(const uint8_t* payload, size_t size) {
  if (size == 0) return Break(Damage::kMalformed);
  const int type = payload[0] & 0x1F;
  if (type <= 23) return AppendUnit(payload, 1, payload + 1, size - 1, true);
  if (type == 24) return AppendAggregate(payload + 1, size - 1);
  if (type == 28) {
    if (size < 3) return Break(Damage::kMalformed);
    const uint8_t header = static_cast<uint8_t>((payload[0] & 0xE0) | (payload[1] & 0x1F));
    return AppendFragment(&header, 1, payload + 2, size - 2, (payload[1] & 0x80) != 0, (payload[1] & 0x40) != 0);
  }
  Break(type == 30 || type == 31 ? Damage::kMalformed : Damage::kUnsupported);
}

void RtpDepacketizer::ReadH265(const uint8_t* payload, size_t size) {
  if (size < 3) return Break(Damage::kMalformed);
  const int type = (payload[0] >> 1) & 0x3F;
  const int layer = (payload[0] & 1) << 5 | payload[1] >> 3;
  const int temporalId = payload[1] & 7;
  if (layer != 0 || type == 50) return Break(Damage::kUnsupported);
  if (temporalId == 0 || type > 50) return Break(Damage::kMalformed);
  if (type == 48) return AppendAggregate(payload + 2, size - 2);
  if (type != 49) return AppendUnit(payload, 2, payload + 2, size - 2, true);
  const uint8_t fu = payload[2];
  const bool start = (fu & 0x80) != 0, end = (fu & 0x40) != 0;
  if (start && end) return Break(Damage::kMalformed);
  const uint8_t header[2] = {static_cast<uint8_t>((payload[0] & 0x81) | (fu & 0x3F) << 1), payload[1]};
  AppendFragment(header, 2, payload + 3, size - 3, start, end);
}

void RtpDepacketizer::Finish() {
  // A unit whose last fragment never came is cut short.
  if (fragmentOpen_) Break(Damage::kGap);
  if (damage_ != Damage::kNone) {
    pushDamage_ = damage_;
    ++dropped_;
    lossSinceLastUnit_ = true;
  } else if (!picture_) {
    carried_.insert(carried_.end(), bytes_.begin(), bytes_.end());
  } else {
    AccessUnit unit;
    unit.bytes = std::move(carried_);
    unit.bytes.insert(unit.bytes.end(), bytes_.begin(), bytes_.end());
    if (codec_ == VideoCodec::kH265) {
      if (emitted_ > 0) unit.bytes.erase(unit.bytes.begin());
      unit.bytes.push_back(0);
    }
    unit.timestamp = timestamp_;
    unit.keyFrame = keyFrame_;
    unit.afterLoss = lossSinceLastUnit_;
    lossSinceLastUnit_ = false;
    ++emitted_;
    ready_.push_back(std::move(unit));
    carried_.clear();
  }
  open_ = false;
  bytes_.clear();
  picture_ = keyFrame_ = fragmentOpen_ = false;
  damage_ = Damage::kNone;
}
