#pragma once
// Turns the RTP packets of an H.264 (RFC 6184) or H.265 (RFC 7798) video
// into access units in the byte-stream form FFmpeg's RTSP reader hands out,
// so that what is recorded from them stays byte for byte the same:
// - every NAL unit behind a four-byte start code 00 00 00 01;
// - H.265: FFmpeg's frame splitter cuts in front of the last three bytes
//   of the next unit's start code, so every access unit but the first
//   begins with 00 00 01 and every one ends with the 00 that follows.
// An access unit ends at the marker bit, at a new timestamp, or where
// FFmpeg's splitter would begin the next (a parameter set, SEI or
// delimiter, or a picture's first slice, after a picture). Units
// without a picture (parameter sets sent with a timestamp of their own)
// lead the next picture, as FFmpeg's splitter keeps them. An access unit
// with a lost packet (sequence gap), a damaged or unreadable packet, or
// beyond the size limit is dropped, and the next one says so.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "sources/parameter_sets.h"
#include "sources/rtsp_rtp.h"

inline constexpr size_t kMaxAccessUnitBytes = 8 * 1024 * 1024;

struct AccessUnit {
  std::vector<uint8_t> bytes;
  uint32_t timestamp = 0;
  bool keyFrame = false;   // H.264 IDR or H.265 IRAP picture
  bool afterLoss = false;  // access units were dropped since the one before
};

class RtpDepacketizer {
 public:
  enum class Damage {
    kNone,
    kGap,          // a packet was lost
    kMalformed,    // lengths or fragments that do not fit
    kUnsupported,  // STAP-B, MTAP, FU-B, PACI or layered H.265
    kTooLarge,
  };

  explicit RtpDepacketizer(VideoCodec codec, size_t limit = kMaxAccessUnitBytes) : codec_(codec), limit_(limit) {}

  // Takes the next packet of the video's payload type. Returns why an access
  // unit was dropped, if this packet ended one that way.
  Damage Push(const RtpPacket& packet);
  // The oldest completed access unit.
  bool Take(AccessUnit& unit);
  uint64_t DroppedUnits() const { return dropped_; }

 private:
  void AppendUnit(const uint8_t* header, size_t headerSize, const uint8_t* data, size_t size, bool startCode);
  void AppendAggregate(const uint8_t* data, size_t size);
  void AppendFragment(const uint8_t* header, size_t headerSize, const uint8_t* data, size_t size, bool start, bool end);
  void ReadH264(const uint8_t* payload, size_t size);
  void ReadH265(const uint8_t* payload, size_t size);
  void NoteUnitType(const uint8_t* header);
  bool BeginsAccessUnit(const uint8_t* header, uint8_t first) const;
  void Break(Damage damage);
  void Finish();

  const VideoCodec codec_;
  const size_t limit_;
  std::deque<AccessUnit> ready_;
  bool sequenceKnown_ = false;
  uint16_t nextSequence_ = 0;
  // The access unit being put together.
  bool open_ = false;
  std::vector<uint8_t> bytes_;
  uint32_t timestamp_ = 0;
  bool picture_ = false;
  bool keyFrame_ = false;
  bool fragmentOpen_ = false;
  Damage damage_ = Damage::kNone;
  Damage pushDamage_ = Damage::kNone;  // of the units the current Push ended
  // Units without a picture, waiting for one.
  std::vector<uint8_t> carried_;
  bool lossSinceLastUnit_ = false;
  uint64_t emitted_ = 0;
  uint64_t dropped_ = 0;
};
