#include "sources/rtsp_timeline.h"

#include <gtest/gtest.h>

namespace {

TEST(RtpTimeline, UnwrapsFromTheFirstUnitAndDelaysDecodingTimesOnceBPicturesCome) {
  const struct {
    uint32_t timestamp;
    bool bPicture;
    int64_t pts, dts;
  } units[] = {
      {0xFFFF'F000, false, 0, 0},
      {0x0000'0000, false, 0x1000, 0x1000},  // the clock wraps
      {0x0000'1000, false, 0x2000, 0x2000},
      {0x0000'4000, false, 0x5000, 0x5000},
      {0x0000'2000, true, 0x3000, RtpTimeline::kUnknown},
      {0x0000'3000, true, 0x4000, 0x3000},
      {0x0000'7000, false, 0x8000, 0x4000},
      {0x0000'5000, true, 0x6000, 0x6000},
      {0x0000'0000, false, 0x1000, 0x1000},  // a step back stays a step back
  };
  RtpTimeline timeline;
  for (const auto& unit : units) {
    const RtpTimeline::Stamps stamps = timeline.Next(unit.timestamp, unit.bPicture);
    EXPECT_EQ(stamps.pts, unit.pts) << unit.timestamp;
    EXPECT_EQ(stamps.dts, unit.dts) << unit.timestamp;
  }
}

}  // namespace
