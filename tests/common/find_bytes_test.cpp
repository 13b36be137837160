#include "common/find_bytes.h"

#include <gtest/gtest.h>

namespace {

const uint8_t kMarker[2] = {0xFF, 0xDB};

TEST(FindBytesTest, FindsFirstWholeMatchFromStart) {
  const uint8_t data[] = {0x00, 0xFF, 0xDB, 0x11, 0xFF, 0xDB};
  bool found = false;
  EXPECT_EQ(FindBytes(data, sizeof data, kMarker, 2, found), 1u);
  EXPECT_TRUE(found);
  EXPECT_EQ(FindBytes(data, sizeof data, kMarker, 2, found, 2), 4u);
  EXPECT_TRUE(found);
  EXPECT_EQ(FindBytes(data, sizeof data, kMarker, 2, found, 1), 1u);  // start itself counts
}

TEST(FindBytesTest, MatchRunningPastTheEndIsNoMatch) {
  const uint8_t data[] = {0x00, 0x12, 0xFF};
  bool found = true;
  EXPECT_EQ(FindBytes(data, sizeof data, kMarker, 2, found), 0u);
  EXPECT_FALSE(found);
  const uint8_t pattern[4] = {0x00, 0x12, 0xFF, 0xDB};
  EXPECT_EQ(FindBytes(data, sizeof data, pattern, 4, found), 0u);
  EXPECT_FALSE(found);
}

TEST(FindBytesTest, NullEmptyOrStartBeyondEndClearsTheFlag) {
  const uint8_t data[] = {0xFF, 0xDB};
  bool found = true;
  EXPECT_EQ(FindBytes(nullptr, 2, kMarker, 2, found), 0u);
  EXPECT_FALSE(found);
  found = true;
  EXPECT_EQ(FindBytes(data, 0, kMarker, 2, found), 0u);
  EXPECT_FALSE(found);
  found = true;
  EXPECT_EQ(FindBytes(data, 2, nullptr, 2, found), 0u);
  EXPECT_FALSE(found);
  found = true;
  EXPECT_EQ(FindBytes(data, 2, kMarker, 0, found), 0u);
  EXPECT_FALSE(found);
  found = true;
  EXPECT_EQ(FindBytes(data, 2, kMarker, 2, found, 2), 0u);
  EXPECT_FALSE(found);
}

TEST(FindBytesTest, PartialMatchesBeforeTheRealOneAreSkipped) {
  const uint8_t data[] = {0xFF, 0xFF, 0xFF, 0xD8, 0xFF, 0xDB};
  bool found = false;
  EXPECT_EQ(FindBytes(data, sizeof data, kMarker, 2, found), 4u);
  EXPECT_TRUE(found);
  const uint8_t pattern[3] = {0xFF, 0xFF, 0xD8};
  EXPECT_EQ(FindBytes(data, sizeof data, pattern, 3, found), 1u);
  EXPECT_TRUE(found);
}

}  // namespace
