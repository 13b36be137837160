#include "engine/pre_motion_ring.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::time_t> Times(const PreMotionRing& ring) {
  std::vector<std::time_t> times;
  for (size_t i = 0; i < ring.Count(); ++i) times.push_back(ring.At(i).captured);
  return times;
}

void Push(PreMotionRing& ring, std::time_t time, size_t bytes = 100) {
  PreMotionRing::Frame* slot = ring.NextSlot();
  ASSERT_NE(slot, nullptr);
  slot->captured = time;
  slot->jpeg.assign(bytes, static_cast<uint8_t>(time));
}

TEST(PreMotionRingTest, KeepsTheNewestFramesOldestFirst) {
  PreMotionRing ring;
  EXPECT_EQ(ring.NextSlot(), nullptr) << "no capacity, nothing kept";
  ring.SetCapacity(3);
  Push(ring, 1);
  Push(ring, 2);
  EXPECT_EQ(Times(ring), (std::vector<std::time_t>{1, 2}));
  for (std::time_t t = 3; t <= 7; ++t) Push(ring, t);
  EXPECT_EQ(Times(ring), (std::vector<std::time_t>{5, 6, 7}));
  EXPECT_EQ(ring.At(0).jpeg, std::vector<uint8_t>(100, 5));

  ring.Clear();
  EXPECT_TRUE(ring.Empty());
  Push(ring, 8);
  EXPECT_EQ(Times(ring), (std::vector<std::time_t>{8}));
}

TEST(PreMotionRingTest, ReusesItsBuffersAndClampsItsCapacity) {
  PreMotionRing ring;
  ring.SetCapacity(2);
  Push(ring, 1, 4000);
  Push(ring, 2, 4000);
  const uint8_t* buffers[2] = {ring.At(0).jpeg.data(), ring.At(1).jpeg.data()};
  // Round and round with pictures no larger: the same two buffers.
  for (std::time_t t = 3; t < 40; ++t) Push(ring, t, 3000 + static_cast<size_t>(t));
  for (size_t i = 0; i < 2; ++i) {
    const uint8_t* data = ring.At(i).jpeg.data();
    EXPECT_TRUE(data == buffers[0] || data == buffers[1]);
  }
  ring.Clear();
  Push(ring, 50, 10);
  EXPECT_TRUE(ring.At(0).jpeg.data() == buffers[0] || ring.At(0).jpeg.data() == buffers[1]);

  ring.SetCapacity(500);
  EXPECT_EQ(ring.Capacity(), kMaxPreMotionFrames);
  EXPECT_TRUE(ring.Empty()) << "a new capacity forgets the frames";
  ring.SetCapacity(-4);
  EXPECT_EQ(ring.Capacity(), 0);
}

}  // namespace
