#include "engine/mp4_recording_rules.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(Mp4RecordingRulesTest, PlacesPacketsSoEveryFileStartsAtAKeyFrame) {
  const OpenFileFacts open{"a.mp4", "h264 640x480", 50'000'000};
  struct Case {
    const char* what;
    bool fileOpen;
    PacketFacts next;
    PacketPlace expected;
  };
  const Case cases[] = {
      {"no file, key frame", false, {true, "a.mp4", "h264 640x480", 1}, PacketPlace::kNewFile},
      {"no file, other frame", false, {false, "a.mp4", "h264 640x480", 1}, PacketPlace::kDrop},
      {"same stream, same name", true, {false, "a.mp4", "h264 640x480", 50'100'000}, PacketPlace::kAppend},
      {"key frame, same name", true, {true, "a.mp4", "h264 640x480", 50'100'000}, PacketPlace::kAppend},
      {"renamed, up to the key frame", true, {false, "b.mp4", "h264 640x480", 50'100'000}, PacketPlace::kAppend},
      {"renamed, at the key frame", true, {true, "b.mp4", "h264 640x480", 50'100'000}, PacketPlace::kNewFile},
      {"new size, other frame", true, {false, "a.mp4", "h264 800x600", 50'100'000}, PacketPlace::kDrop},
      {"new size, key frame", true, {true, "a.mp4", "h264 800x600", 50'100'000}, PacketPlace::kNewFile},
      {"10 s gap exactly", true, {false, "a.mp4", "h264 640x480", 60'000'000}, PacketPlace::kAppend},
      {"longer gap, other frame", true, {false, "a.mp4", "h264 640x480", 60'000'001}, PacketPlace::kDrop},
      {"longer gap, key frame", true, {true, "a.mp4", "h264 640x480", 60'000'001}, PacketPlace::kNewFile},
  };
  for (const Case& c : cases) EXPECT_EQ(PlacePacket(c.fileOpen ? &open : nullptr, c.next), c.expected) << c.what;
}

TEST(Mp4RecordingRulesTest, TimeStampsIncreaseWhateverTheCameraClockDoes) {
  // 90 kHz, 10 frames/s: 9000 ticks and 100 ms apart when all is well.
  struct Packet {
    std::optional<int64_t> dts, pts;
    int64_t arrivalUs;
    RecordingTimeline::Stamps expected;
  };
  struct Case {
    const char* what;
    std::vector<Packet> packets;
  };
  const Case cases[] = {
      {"steady, with a frame shown later", {{900000, 900000, 0, {0, 0}}, {909000, 927000, 100'000, {9000, 27000}}}},
      {"clock back",
       {{900000, 900000, 0, {0, 0}}, {9000, 9000, 100'000, {9000, 9000}}, {18000, 18000, 200'000, {18000, 18000}}}},
      {"clock standing", {{5000, 5000, 0, {0, 0}}, {5000, 5000, 50'000, {4500, 4500}}}},
      {"leap ahead", {{0, 0, 0, {0, 0}}, {900'000'000, 900'000'000, 100'000, {9000, 9000}}}},
      {"small lead is the camera's", {{0, 0, 0, {0, 0}}, {90000, 90000, 100'000, {90000, 90000}}}},
      {"no stamps, same arrival", {{{}, {}, 0, {0, 0}}, {{}, {}, 0, {1, 1}}}},
      {"pts only, shown before decoded", {{{}, 1000, 0, {0, 0}}, {2000, 1500, 100'000, {1000, 1000}}}},
  };
  for (const Case& c : cases) {
    RecordingTimeline timeline(90000);
    for (size_t i = 0; i < c.packets.size(); ++i) {
      const Packet& p = c.packets[i];
      const RecordingTimeline::Stamps got = timeline.Next(p.dts, p.pts, p.arrivalUs);
      EXPECT_EQ(got.dts, p.expected.dts) << c.what << ", packet " << i;
      EXPECT_EQ(got.pts, p.expected.pts) << c.what << ", packet " << i;
    }
    timeline.Restart();
    EXPECT_EQ(timeline.Next(123, 123, 1).dts, 0) << c.what << ": a new file starts at 0";
  }
}

}  // namespace
