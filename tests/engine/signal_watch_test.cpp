#include "engine/signal_watch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>

#include "common/clock.h"

namespace {

TEST(SignalWatch, LostAfterThreeIntervalsAndAtLeastTheFloor) {
  SignalWatch watch;
  EXPECT_FALSE(watch.IsLost(1'000'000, 1000)) << "nothing shown yet, nothing lost";
  watch.OnPicture(5000, 1234);
  // Short intervals: the 10 s floor decides.
  EXPECT_FALSE(watch.IsLost(5000 + 9999, 1000));
  EXPECT_TRUE(watch.IsLost(5000 + 10000, 1000));
  EXPECT_FALSE(watch.IsLost(5000 + 9999, 200));
  // Long intervals: three of them decide.
  EXPECT_FALSE(watch.IsLost(5000 + 14999, 5000));
  EXPECT_TRUE(watch.IsLost(5000 + 15000, 5000));
  // An interval of 0 or below polls nothing of its own: the floor alone.
  EXPECT_TRUE(watch.IsLost(5000 + 10000, 0));
  EXPECT_TRUE(watch.IsLost(5000 + 10000, -7));
  // A one-day interval does not overflow.
  EXPECT_FALSE(watch.IsLost(5000 + 86'400'000, 86'400'000));
  EXPECT_EQ(watch.LastPictureTime(), 1234);

  watch.OnPicture(20000, 1250);  // the next picture ends it
  EXPECT_FALSE(watch.IsLost(20000 + 9999, 1000));
  EXPECT_EQ(watch.LastPictureTime(), 1250);
  watch.Forget();
  EXPECT_FALSE(watch.IsLost(20000 + 60000, 1000));

  SignalWatch quick(300);
  quick.OnPicture(0, 1);
  EXPECT_TRUE(quick.IsLost(300, 50));
  EXPECT_FALSE(quick.IsLost(299, 50));
}

TEST(SignalWatch, MarkNamesTheLocalTimeOfTheLastPicture) {
  const std::time_t moment = 1'700'000'000;
  const std::tm local = ToLocalTime(moment);
  char expected[64];
  std::snprintf(expected, sizeof expected, "No signal since %02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
  char text[64];
  ASSERT_TRUE(FormatNoSignal(moment, text, sizeof text));
  EXPECT_STREQ(text, expected);
  EXPECT_EQ(std::strlen(text), std::strlen("No signal since 00:00:00"));
  char small[10];
  EXPECT_FALSE(FormatNoSignal(moment, small, sizeof small));
  EXPECT_EQ(std::strlen(small), 9u);
}

}  // namespace
