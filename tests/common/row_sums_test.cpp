#include "common/row_sums.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(RowSums, EveryBytePositionSumsDownAllRows) {
  // Lengths around the 16-byte step, and more rows than a 16-bit lane holds
  // at 255 each.
  for (size_t length : {1u, 15u, 16u, 17u, 100u, 1920u}) {
    for (int count : {1, 3, 256, 257, 600}) {
      std::vector<std::vector<uint8_t>> rows(static_cast<size_t>(count), std::vector<uint8_t>(length));
      std::vector<const uint8_t*> pointers;
      std::vector<uint32_t> expected(length, 7), sums(length, 7);  // added to, not overwritten
      for (int j = 0; j < count; ++j) {
        for (size_t k = 0; k < length; ++k) {
          rows[j][k] = static_cast<uint8_t>(j % 5 == 0 ? 255 : (j * 31 + k * 7) & 0xFF);
          expected[k] += rows[j][k];
        }
        pointers.push_back(rows[j].data());
      }
      AddRowBytes(pointers.data(), count, length, sums.data());
      ASSERT_EQ(sums, expected) << length << " bytes, " << count << " rows";
    }
  }
  std::vector<uint32_t> untouched(4, 9);
  AddRowBytes(nullptr, 0, 4, untouched.data());
  EXPECT_EQ(untouched, std::vector<uint32_t>(4, 9));
}

}  // namespace
