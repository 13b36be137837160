#include "sources/rtsp_depacketizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Sent {
  uint16_t sequence;
  uint32_t timestamp;
  bool marker;
  std::vector<uint8_t> payload;
};

std::string Hex(const std::vector<uint8_t>& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (uint8_t b : bytes) hex.append({kDigits[b >> 4], kDigits[b & 15]});
  return hex;
}

// Each access unit as "K" (key) or "-", "L" (after a loss) or "-", then
// its bytes in hex; spaces in the expected texts are for reading only.
std::vector<std::string> Depacketize(VideoCodec codec, const std::vector<Sent>& sent, uint64_t& dropped,
                                     size_t limit = kMaxAccessUnitBytes) {
  RtpDepacketizer depacketizer(codec, limit);
  std::vector<std::string> units;
  for (const Sent& s : sent) {
    RtpPacket packet;
    packet.sequence = s.sequence;
    packet.timestamp = s.timestamp;
    packet.marker = s.marker;
    packet.payload = s.payload.data();
    packet.payloadSize = s.payload.size();
    depacketizer.Push(packet);
    for (AccessUnit unit; depacketizer.Take(unit);)
      units.push_back(std::string(unit.keyFrame ? "K" : "-") + (unit.afterLoss ? "L" : "-") + Hex(unit.bytes));
  }
  dropped = depacketizer.DroppedUnits();
  return units;
}

std::vector<std::string> Compact(std::vector<std::string> texts) {
  for (auto& t : texts) std::erase(t, ' ');
  return texts;
}

TEST(RtpDepacketizer, H264UnitsAggregatesAndFragmentsBecomeAccessUnits) {
  const struct {
    const char* name;
    std::vector<Sent> sent;
    std::vector<std::string> units;
    uint64_t dropped;
  } cases[] = {
      {"single units",
       {{1, 10, false, {0x67, 1}}, {2, 10, false, {0x68, 2}}, {3, 10, true, {0x65, 0xAA}}},
       {"K- 00000001 6701 00000001 6802 00000001 65aa"},
       0},
      {"STAP-A and FU-A",
       {{1, 10, false, {0x18, 0, 2, 0x67, 1, 0, 2, 0x68, 2}},
        {2, 10, false, {0x7C, 0x85, 0xAA}},
        {3, 10, false, {0x7C, 0x05, 0xBB}},
        {4, 10, true, {0x7C, 0x45, 0xCC}}},
       {"K- 00000001 6701 00000001 6802 00000001 65aabbcc"},
       0},
      {"parameter sets stamped apart lead the picture; a new stamp ends a unit",
       {{1, 5, true, {0x67, 1}}, {2, 10, false, {0x65, 1}}, {3, 20, true, {0x41, 2}}},
       {"K- 00000001 6701 00000001 6501", "-- 00000001 4102"},
       0},
      {"an SEI, or a picture's first slice, after a picture begins the next unit under one stamp",
       {{1, 10, false, {0x65, 0x88}},
        {2, 10, false, {0x06, 5}},
        {3, 20, true, {0x41, 0x9A}},
        {4, 30, false, {0x41, 0x80}},
        {5, 30, false, {0x41, 0x80}},
        {6, 30, true, {0x41, 0x40}}},
       {"K- 00000001 6588", "-- 00000001 0605 00000001 419a", "-- 00000001 4180", "-- 00000001 4180 00000001 4140"},
       0},
      {"a gap drops the unit it broke",
       {{1, 10, true, {0x41, 1}}, {3, 20, true, {0x41, 2}}, {4, 30, true, {0x41, 3}}},
       {"-- 00000001 4101", "-L 00000001 4103"},
       1},
      {"a gap inside a unit and a fragment without its start",
       {{1, 10, false, {0x41, 1}}, {3, 10, true, {0x41, 2}}, {4, 20, true, {0x7C, 0x05, 0xBB}}, {5, 30, true, {0x41}}},
       {"-L 00000001 41"},
       2},
      {"a fragment never ended, a lying aggregate, FU-B, MTAP, reserved types",
       {{1, 10, true, {0x7C, 0x81, 1}},
        {2, 20, true, {0x18, 0, 9, 0x67}},
        {3, 30, true, {0x1D, 0x81, 1}},
        {4, 40, true, {0x1A, 0, 0}},
        {5, 50, true, {0x1E, 0}},
        {6, 60, true, {}}},
       {},
       6},
  };
  for (const auto& c : cases) {
    uint64_t dropped = 0;
    EXPECT_EQ(Depacketize(VideoCodec::kH264, c.sent, dropped), Compact(c.units)) << c.name;
    EXPECT_EQ(dropped, c.dropped) << c.name;
  }
}

// FFmpeg cuts H.265 access units in front of the last three bytes of the
// next unit's start code.
TEST(RtpDepacketizer, H265UnitsStartAndEndWhereFfmpegCutsThem) {
  const struct {
    const char* name;
    std::vector<Sent> sent;
    std::vector<std::string> units;
    uint64_t dropped;
  } cases[] = {
      {"single units",
       {{1, 10, false, {0x40, 1, 0xA}},
        {2, 10, false, {0x42, 1, 0xB}},
        {3, 10, false, {0x44, 1, 0xC}},
        {4, 10, true, {0x26, 1, 0xD}},
        {5, 20, true, {0x02, 1, 0xE}}},
       {"K- 00000001 40010a 00000001 42010b 00000001 44010c 00000001 26010d 00", "-- 000001 02010e 00"},
       0},
      {"aggregate and fragments",
       {{1, 10, false, {0x60, 1, 0, 3, 0x40, 1, 0xA, 0, 3, 0x42, 1, 0xB}},
        {2, 10, false, {0x62, 1, 0x93, 0xAA}},
        {3, 10, true, {0x62, 1, 0x53, 0xBB}}},
       {"K- 00000001 40010a 00000001 42010b 00000001 2601aabb 00"},
       0},
      {"two pictures under one stamp",
       {{1, 10, false, {0x02, 1, 0x80}}, {2, 10, true, {0x02, 1, 0x80}}},
       {"-- 00000001 020180 00", "-- 000001 020180 00"},
       0},
      {"layers, PACI, temporal id 0, start and end in one fragment",
       {{1, 10, true, {0x41, 1, 0}},
        {2, 20, true, {0x64, 1, 0}},
        {3, 30, true, {0x02, 0, 0}},
        {4, 40, true, {0x62, 1, 0xC1, 0}}},
       {},
       4},
  };
  for (const auto& c : cases) {
    uint64_t dropped = 0;
    EXPECT_EQ(Depacketize(VideoCodec::kH265, c.sent, dropped), Compact(c.units)) << c.name;
    EXPECT_EQ(dropped, c.dropped) << c.name;
  }
}

TEST(RtpDepacketizer, DropsAUnitBeyondTheLimitAndKeepsTheNext) {
  uint64_t dropped = 0;
  const std::vector<Sent> sent = {{1, 10, true, std::vector<uint8_t>(20, 0x41)}, {2, 20, true, {0x41, 1}}};
  EXPECT_EQ(Depacketize(VideoCodec::kH264, sent, dropped, 16), Compact({"-L 00000001 4101"}));
  EXPECT_EQ(dropped, 1u);
}

}  // namespace
