#include "web/login_throttle.h"

#include <gtest/gtest.h>

TEST(LoginThrottle, TenFailuresWithinAMinuteBlockTheAddressForTheNextMinute) {
  LoginThrottle throttle;
  const uint32_t guesser = 0x0A000001, other = 0x0A000002;
  uint64_t t = 1000;
  for (int i = 0; i < 9; ++i) {
    EXPECT_FALSE(throttle.IsBlocked(guesser, t));
    throttle.RecordFailure(guesser, t += 100);
  }
  EXPECT_FALSE(throttle.IsBlocked(guesser, t));
  throttle.RecordFailure(guesser, t += 100);  // the tenth
  const uint64_t tenth = t;
  EXPECT_TRUE(throttle.IsBlocked(guesser, tenth));
  EXPECT_FALSE(throttle.IsBlocked(other, tenth)) << "only the guessing address";
  // Failures while blocked do not stretch the minute.
  throttle.RecordFailure(guesser, tenth + 30000);
  EXPECT_TRUE(throttle.IsBlocked(guesser, tenth + kLoginWindowMs - 1));
  EXPECT_FALSE(throttle.IsBlocked(guesser, tenth + kLoginWindowMs));
  // Afterwards it counts from zero again.
  throttle.RecordFailure(guesser, tenth + kLoginWindowMs + 1);
  EXPECT_FALSE(throttle.IsBlocked(guesser, tenth + kLoginWindowMs + 2));
}

TEST(LoginThrottle, FailuresSpreadOverMoreThanAMinuteNeverBlock) {
  LoginThrottle throttle;
  uint64_t t = 0;
  for (int i = 0; i < 100; ++i) {
    throttle.RecordFailure(7, t);
    EXPECT_FALSE(throttle.IsBlocked(7, t)) << i;
    t += kLoginWindowMs / (kMaxLoginFailures - 1) + 1;  // 9 per minute at most
  }
}

TEST(LoginThrottle, MemoryStaysBoundedAndBlockedAddressesAreKeptLongest) {
  LoginThrottle throttle;
  for (int i = 0; i < kMaxLoginFailures; ++i) throttle.RecordFailure(1, 10);
  ASSERT_TRUE(throttle.IsBlocked(1, 11));
  for (uint32_t a = 2; a < 2 + 3 * kMaxThrottledAddresses; ++a) throttle.RecordFailure(a, 20);
  EXPECT_LE(throttle.TrackedAddresses(), kMaxThrottledAddresses);
  EXPECT_TRUE(throttle.IsBlocked(1, 30));
  // Expired records make room before live ones are dropped.
  for (uint32_t a = 100000; a < 100010; ++a) throttle.RecordFailure(a, 20 + kLoginWindowMs);
  EXPECT_LE(throttle.TrackedAddresses(), kMaxThrottledAddresses);
}
