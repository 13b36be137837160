#include "player/mp4_reference_times.h"

#include <gtest/gtest.h>

namespace {

// Boxes written between other boxes read back with their times; the NTP
// fraction keeps better than a microsecond.
TEST(ReferenceTimeBox, ReadsBackAmongOtherBoxes) {
  const std::vector<ReferenceTime> written = {{0, 1796724000.25}, {90000, 1796724001.5}, {(1LL << 40) + 7, 1.0}};
  std::vector<uint8_t> bytes = {0, 0, 0, 8, 'f', 'r', 'e', 'e'};
  for (const ReferenceTime& reference : written) {
    const std::vector<uint8_t> box = ReferenceTimeBox(reference, 1);
    bytes.insert(bytes.end(), box.begin(), box.end());
  }
  MemoryRecordingFile file(bytes);
  const std::vector<ReferenceTime> read = ReadReferenceTimes(file);
  ASSERT_EQ(read.size(), written.size());
  for (size_t i = 0; i < read.size(); ++i) {
    EXPECT_EQ(read[i].mediaTime, written[i].mediaTime);
    EXPECT_NEAR(read[i].unixSeconds, written[i].unixSeconds, 1e-6);
  }
}

}  // namespace
