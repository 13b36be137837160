#include "sources/rtsp_depacketizer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/hex_bytes.h"

namespace {

// Packets as "sequence timestamp marker(M or -) payload-hex"; each access
// unit as "K" (key) or "-", "L" (after a loss) or "-", then its bytes.
std::vector<std::string> Depacketize(VideoCodec codec, const std::vector<std::string>& sent, uint64_t& dropped,
                                     size_t limit = kMaxAccessUnitBytes) {
  RtpDepacketizer depacketizer(codec, limit);
  std::vector<std::string> units;
  for (const std::string& s : sent) {
    std::istringstream fields(s);
    RtpPacket packet;
    std::string marker, hex;
    fields >> packet.sequence >> packet.timestamp >> marker;
    std::getline(fields, hex);
    const std::vector<uint8_t> payload = HexBytes(hex);
    packet.marker = marker == "M";
    packet.payload = payload.data();
    packet.payloadSize = payload.size();
    depacketizer.Push(packet);
    for (AccessUnit unit; depacketizer.Take(unit);)
      units.push_back(std::string(unit.keyFrame ? "K" : "-") + (unit.afterLoss ? "L" : "-") +
                      HexText(unit.bytes.data(), unit.bytes.size()));
  }
  dropped = depacketizer.DroppedUnits();
  return units;
}

std::vector<std::string> Split(const char* list, bool withoutSpaces = false) {
  std::vector<std::string> items;
  std::istringstream stream(list);
  for (std::string item; std::getline(stream, item, ';');) {
    if (withoutSpaces) std::erase(item, ' ');
    if (item.find_first_not_of(' ') != std::string::npos) items.push_back(item);
  }
  return items;
}

// Packets "sequence timestamp marker payload" and units as Depacketize
// lists them, separated by ';'. FFmpeg cuts H.265 access units in front of
// the last three bytes of the next unit's start code.
TEST(RtpDepacketizer, PacketsBecomeAccessUnitsInFfmpegsForm) {
  const VideoCodec h264 = VideoCodec::kH264, h265 = VideoCodec::kH265;
  const struct {
    const char* name;
    VideoCodec codec;
    const char* sent;
    const char* units;
    uint64_t dropped;
  } cases[] = {
      {"single units", h264, "1 10 - 6701; 2 10 - 6802; 3 10 M 65aa", "K- 00000001 6701 00000001 6802 00000001 65aa",
       0},
      {"STAP-A and FU-A", h264, "1 10 - 18 0002 6701 0002 6802; 2 10 - 7c85aa; 3 10 - 7c05bb; 4 10 M 7c45cc",
       "K- 00000001 6701 00000001 6802 00000001 65aabbcc", 0},
      {"parameter sets stamped apart lead the picture; a new stamp ends a unit", h264,
       "1 5 M 6701; 2 10 - 6501; 3 20 M 4102", "K- 00000001 6701 00000001 6501; -- 00000001 4102", 0},
      {"an SEI, or a first slice, after a picture begins the next unit under one stamp", h264,
       "1 10 - 6588; 2 10 - 0605; 3 20 M 419a; 4 30 - 4180; 5 30 - 4180; 6 30 M 4140",
       "K- 00000001 6588; -- 00000001 0605 00000001 419a; -- 00000001 4180; -- 00000001 4180 00000001 4140", 0},
      {"a gap drops the unit it broke", h264, "1 10 M 4101; 3 20 M 4102; 4 30 M 4103",
       "-- 00000001 4101; -L 00000001 4103", 1},
      {"a gap inside a unit, and a fragment without its start", h264,
       "1 10 - 4101; 3 10 M 4102; 4 20 M 7c05bb; 5 30 M 41", "-L 00000001 41", 2},
      {"a fragment never ended, a lying aggregate, FU-B, MTAP, reserved types, nothing", h264,
       "1 10 M 7c8101; 2 20 M 18 0009 67; 3 30 M 1d8101; 4 40 M 1a0000; 5 50 M 1e00; 6 60 M", "", 6},
      {"H.265 single units", h265, "1 10 - 40010a; 2 10 - 42010b; 3 10 - 44010c; 4 10 M 26010d; 5 20 M 02010e",
       "K- 00000001 40010a 00000001 42010b 00000001 44010c 00000001 26010d 00; -- 000001 02010e 00", 0},
      {"H.265 aggregate and fragments", h265, "1 10 - 6001 0003 40010a 0003 42010b; 2 10 - 620193aa; 3 10 M 620153bb",
       "K- 00000001 40010a 00000001 42010b 00000001 2601aabb 00", 0},
      {"H.265 two pictures under one stamp", h265, "1 10 - 020180; 2 10 M 020180",
       "-- 00000001 020180 00; -- 000001 020180 00", 0},
      {"H.265 layers, PACI, temporal id 0, start and end in one fragment", h265,
       "1 10 M 410100; 2 20 M 640100; 3 30 M 020000; 4 40 M 6201c100", "", 4},
  };
  for (const auto& c : cases) {
    uint64_t dropped = 0;
    EXPECT_EQ(Depacketize(c.codec, Split(c.sent), dropped), Split(c.units, true)) << c.name;
    EXPECT_EQ(dropped, c.dropped) << c.name;
  }
  uint64_t dropped = 0;
  EXPECT_EQ(Depacketize(h264, {"1 10 M 41" + std::string(40, '0'), "2 20 M 4101"}, dropped, 16),
            std::vector<std::string>{"-L000000014101"});
  EXPECT_EQ(dropped, 1u);
}

}  // namespace
