#include "player/avi_frame_rate.h"

#include <gtest/gtest.h>

TEST(ExportFrameRateTest, DividesASecondByTheDelay) {
  EXPECT_EQ(ExportFrameRate(100), 10u);
  EXPECT_EQ(ExportFrameRate(40), 25u);
  EXPECT_EQ(ExportFrameRate(3), 333u);
  EXPECT_EQ(ExportFrameRate(1000), 1u);
}

TEST(ExportFrameRateTest, NoDelayGivesThirtyAndLongDelaysOne) {
  EXPECT_EQ(ExportFrameRate(0), 30u);
  EXPECT_EQ(ExportFrameRate(1001), 1u);
  EXPECT_EQ(ExportFrameRate(4000000000u), 1u);
}
