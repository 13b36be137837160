#include "sources/frame_pace.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

TEST(FramePace, DueTimesKeepTheirGridThroughLateFrames) {
  FramePace pace;
  EXPECT_EQ(pace.Delivered(1000, 100), 100);  // the first frame starts the grid
  EXPECT_EQ(pace.Delivered(1130, 100), 70);   // a late frame: the next is still due at 1200
  EXPECT_EQ(pace.Delivered(1200, 100), 100);
  EXPECT_EQ(pace.Delivered(1349, 100), 51);  // 49 ms late: the grid holds
  // More than half an interval late: the next is due half an interval on.
  EXPECT_EQ(pace.Delivered(1480, 100), 50);
  // A stall: no burst afterwards, at least half an interval between frames.
  EXPECT_EQ(pace.Delivered(9000, 100), 50);
  EXPECT_EQ(pace.Delivered(9050, 100), 100);
  // A deadline already passed still waits 1 ms; a zero interval counts as 1.
  pace.Reset();
  EXPECT_EQ(pace.Delivered(0, 0), 1);
  EXPECT_EQ(pace.Delivered(5, 1), 1);
  pace.Reset();
  EXPECT_EQ(pace.Delivered(70000, 1000), 1000) << "a new connection starts a new grid";
}

// Frames complete at `arrivals`; the client holds only the newest, sends it
// once it is due, and a timer marks each due time. Returns the send times.
std::vector<int64_t> Simulate(const std::vector<int64_t>& arrivals, int32_t interval, int64_t timerLate) {
  FramePace pace;
  std::vector<int64_t> sent;
  bool held = false, due = true;
  int64_t timerAt = -1;
  size_t next = 0;
  for (int64_t now = 0; now <= arrivals.back() + 3 * interval; ++now) {
    if (timerAt == now) {
      due = true;
      timerAt = -1;
    }
    while (next < arrivals.size() && arrivals[next] == now) {
      held = true;  // a newer frame replaces one still held
      ++next;
    }
    if (held && due) {
      sent.push_back(now);
      held = due = false;
      timerAt = now + pace.Delivered(now, interval) + timerLate;
    }
  }
  return sent;
}

TEST(FramePace, CameraAsFastAsTheIntervalLosesNoFrameToJitter) {
  std::vector<int64_t> arrivals;
  std::srand(7);
  for (int k = 1; k <= 600; ++k) arrivals.push_back(k * 100 + std::rand() % 61 - 30);  // +-30 ms
  EXPECT_EQ(Simulate(arrivals, 100, 0).size(), arrivals.size());
  EXPECT_EQ(Simulate(arrivals, 100, 12).size(), arrivals.size()) << "timers that fire late";

  // A camera twice as fast is thinned to the interval, never above it.
  std::vector<int64_t> fast;
  for (int k = 1; k <= 1200; ++k) fast.push_back(k * 50 + std::rand() % 21 - 10);
  const std::vector<int64_t> thinned = Simulate(fast, 100, 0);
  EXPECT_GE(thinned.size(), 590u);
  EXPECT_LE(thinned.size(), 601u);
  for (size_t i = 1; i < thinned.size(); ++i) EXPECT_GE(thinned[i] - thinned[i - 1], 50);
}

}  // namespace
