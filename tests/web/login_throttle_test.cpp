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

namespace {

// Failures enough to leave `address` one short of a block.
void FailAllButOnce(LoginThrottle& throttle, uint32_t address, uint64_t nowMs) {
  for (int i = 0; i < kMaxLoginFailures - 1; ++i) throttle.RecordFailure(address, nowMs);
}

// Whether the throttle still counts the failures of an address left one
// short of a block: then one more failure blocks it.
bool StillCounted(LoginThrottle& throttle, uint32_t address, uint64_t nowMs) {
  throttle.RecordFailure(address, nowMs);
  return throttle.IsBlocked(address, nowMs);
}

}  // namespace

TEST(LoginThrottle, MemoryStaysBoundedAndBlockedAddressesAreKeptLongest) {
  LoginThrottle throttle;
  for (int i = 0; i < kMaxLoginFailures; ++i) throttle.RecordFailure(1, 10);
  ASSERT_TRUE(throttle.IsBlocked(1, 11));
  // Up to the bound every address is remembered.
  const uint32_t lastWithin = static_cast<uint32_t>(kMaxThrottledAddresses);
  for (uint32_t a = 2; a <= lastWithin; ++a) FailAllButOnce(throttle, a, 20);
  LoginThrottle full = throttle;
  for (uint32_t a = 2; a <= lastWithin; ++a) ASSERT_TRUE(StillCounted(full, a, 20)) << a;
  // One address beyond it, and the counts short of a block give way.
  throttle.RecordFailure(lastWithin + 1, 20);
  for (uint32_t a = 2; a <= lastWithin; ++a) ASSERT_FALSE(StillCounted(throttle, a, 20)) << a;
  EXPECT_TRUE(throttle.IsBlocked(1, 30));

  // A flood of new addresses never takes more room than the bound.
  LoginThrottle flooded;
  for (int i = 0; i < kMaxLoginFailures; ++i) flooded.RecordFailure(1, 10);
  const uint32_t firstFlooder = 1000000, endOfFlood = firstFlooder + 3 * lastWithin;
  for (uint32_t a = firstFlooder; a < endOfFlood; ++a) FailAllButOnce(flooded, a, 20);
  EXPECT_TRUE(flooded.IsBlocked(1, 30));
  // Newest first, so that no probe makes room before a remembered one is seen.
  size_t remembered = 0;
  for (uint32_t a = endOfFlood - 1; a >= firstFlooder && StillCounted(flooded, a, 20); --a) ++remembered;
  EXPECT_GE(remembered, 1u);
  EXPECT_LE(remembered + 1, kMaxThrottledAddresses) << "the blocked address counts too";

  // Expired records make room before live ones are dropped.
  LoginThrottle aging;
  const uint64_t later = 20 + kLoginWindowMs;
  for (uint32_t a = 1; a <= lastWithin / 2; ++a) aging.RecordFailure(a, 20);
  for (uint32_t a = lastWithin / 2 + 1; a <= lastWithin; ++a) FailAllButOnce(aging, a, later - 1);
  for (uint32_t a = 100000; a < 100010; ++a) aging.RecordFailure(a, later);
  for (uint32_t a = lastWithin / 2 + 1; a <= lastWithin; ++a) ASSERT_TRUE(StillCounted(aging, a, later)) << a;
}
