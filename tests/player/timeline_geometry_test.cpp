#include "player/timeline_geometry.h"

#include <gtest/gtest.h>

namespace {

TEST(TimelineGradient, ChannelsStepByTruncatedFractions) {
  // 0xF8F8AF -> 0xD7B73E over 7 rows: red 0xAF -> 0x3E (-113), green and
  // blue 0xF8 -> 0xB7 / 0xD7.
  EXPECT_EQ(GradientRowColour(0xF8F8AF, 0xD7B73E, 0, 7), 0xF8F8AFu);
  // row 1: red 175 - 16 (113 / 7 = 16.1), green 248 - 9 (65 / 7), blue 248 - 4 (33 / 7)
  EXPECT_EQ(GradientRowColour(0xF8F8AF, 0xD7B73E, 1, 7), 0xF4EF9Fu);
  // Rising channels truncate downwards: 0x00 -> 0xFF over 4 rows, row 1 = 63.
  EXPECT_EQ(GradientRowColour(0x000000, 0x0000FF, 1, 4), 0x00003Fu);
  // Falling channels truncate toward zero too: 0xFF -> 0x00, row 1 = 255 - 63.
  EXPECT_EQ(GradientRowColour(0x0000FF, 0x000000, 1, 4), 0x0000C0u);
  EXPECT_EQ(GradientRowColour(0x123456, 0xABCDEF, 0, 0), 0x123456u);
}

TEST(TimelineLayout, PositionBandAndBarHalves) {
  const TimelineLayout half = LayoutTimeline(200, 31, 65535, 32767, kNoMark, kNoMark);
  EXPECT_EQ(half.barBottom, 15);
  EXPECT_EQ(half.barSplit, 7);
  EXPECT_EQ(half.positionRight, 99);  // 0.499992 * 200
  EXPECT_EQ(half.markTop, 16);
  EXPECT_EQ(half.markBottom, 29);
  EXPECT_FALSE(half.startShown);
  EXPECT_FALSE(half.endShown);

  EXPECT_EQ(LayoutTimeline(200, 30, 65535, 65535, kNoMark, kNoMark).positionRight, 200);
  EXPECT_EQ(LayoutTimeline(200, 30, 100, 500, kNoMark, kNoMark).positionRight, 200);
  const TimelineLayout empty = LayoutTimeline(200, 30, 0, 10, 0, 5);
  EXPECT_EQ(empty.positionRight, 0);
  EXPECT_FALSE(empty.startShown);
  EXPECT_FALSE(empty.endShown);
}

TEST(TimelineLayout, MarkRules) {
  // W' = 199
  const TimelineLayout start = LayoutTimeline(200, 30, 65535, 0, 16384, kNoMark);
  EXPECT_TRUE(start.startShown);
  EXPECT_FALSE(start.endShown);
  EXPECT_EQ(start.startX, 49);

  const TimelineLayout both = LayoutTimeline(200, 30, 65535, 0, 16384, 49151);
  EXPECT_TRUE(both.startShown);
  EXPECT_TRUE(both.endShown);
  EXPECT_EQ(both.endX, 149);

  const TimelineLayout endOnly = LayoutTimeline(200, 30, 65535, 0, kNoMark, 65535);
  EXPECT_TRUE(endOnly.endShown);
  EXPECT_EQ(endOnly.endX, 199);

  const TimelineLayout reversed = LayoutTimeline(200, 30, 65535, 0, 49151, 16384);
  EXPECT_TRUE(reversed.startShown);
  EXPECT_FALSE(reversed.endShown);
  EXPECT_EQ(reversed.startX, 149);

  const TimelineLayout same = LayoutTimeline(200, 30, 65535, 0, 100, 100);
  EXPECT_TRUE(same.startShown && same.endShown);
}

TEST(TimelineClick, PositionFromCursor) {
  EXPECT_EQ(TimelineClickPosition(0, 200, 65535), 0u);
  EXPECT_EQ(TimelineClickPosition(100, 200, 65535), 32767u);
  EXPECT_EQ(TimelineClickPosition(199, 200, 65535), 65207u);  // just below the end
  EXPECT_EQ(TimelineClickPosition(-5, 200, 65535), 0u);
  EXPECT_EQ(TimelineClickPosition(250, 200, 65535), 65535u);
  EXPECT_EQ(TimelineClickPosition(10, 0, 65535), 0u);
  EXPECT_EQ(TimelineClickPosition(100, 200, 0), 0u);
}

}  // namespace
