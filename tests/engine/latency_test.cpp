#include "engine/latency.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

class FakeTicks final : public TickSource {
 public:
  int64_t Frequency() const override { return frequency; }
  int64_t Count() const override { return count; }
  int64_t frequency = 1000;
  int64_t count = 1;
};

LatencyStopwatch Fresh() {
  return LatencyStopwatch{0, 0, 0, 0};
}

TEST(LatencyStopwatch, MeasuresFromStartToStopInWholeMilliseconds) {
  FakeTicks ticks;
  ticks.frequency = 3000;
  LatencyStopwatch watch = Fresh();
  ticks.count = 10000;
  EXPECT_EQ(watch.Start(ticks), 0);
  EXPECT_TRUE(watch.Running());
  EXPECT_EQ(watch.frequency, 3000);
  EXPECT_EQ(watch.startCount, 10000);
  ticks.count = 10000 + 4000;  // 1333.33 ms
  EXPECT_EQ(watch.Stop(ticks), 1333);
  EXPECT_EQ(watch.lastResult, 1333);
  EXPECT_EQ(watch.stopCount, 14000);
  EXPECT_FALSE(watch.Running());
}

TEST(LatencyStopwatch, StopWithoutStartKeepsTheLastFigure) {
  FakeTicks ticks;
  LatencyStopwatch watch = Fresh();
  EXPECT_EQ(watch.Stop(ticks), 0);
  ticks.count = 100;
  watch.Start(ticks);
  ticks.count = 142;
  EXPECT_EQ(watch.Stop(ticks), 42);
  // Later paints without a new picture show the same figure.
  ticks.count = 900;
  EXPECT_EQ(watch.Stop(ticks), 42);
  EXPECT_EQ(watch.stopCount, 142);
  // A new start does not clear it before the next stop.
  watch.Start(ticks);
  EXPECT_EQ(watch.lastResult, 42);
  ticks.count = 905;
  EXPECT_EQ(watch.Stop(ticks), 5);
}

TEST(LatencyStopwatch, ImpossibleReadingsGiveZeroOrSaturate) {
  FakeTicks ticks;
  LatencyStopwatch watch = Fresh();
  ticks.count = 500;
  watch.Start(ticks);
  ticks.count = 400;  // counter went backwards
  EXPECT_EQ(watch.Stop(ticks), 0);

  ticks.frequency = 0;
  ticks.count = 500;
  watch.Start(ticks);
  ticks.count = 600;
  EXPECT_EQ(watch.Stop(ticks), 0);

  ticks.frequency = 1;
  ticks.count = 1;
  watch.Start(ticks);
  ticks.count = INT64_MAX;
  EXPECT_EQ(watch.Stop(ticks), INT_MAX);
}

TEST(LatencyStopwatch, SteadySourceRunsForward) {
  SteadyTickSource ticks;
  EXPECT_GT(ticks.Frequency(), 0);
  int64_t first = ticks.Count();
  EXPECT_NE(first, 0);
  EXPECT_GE(ticks.Count(), first);
  LatencyStopwatch watch = Fresh();
  watch.Start(ticks);
  EXPECT_GE(watch.Stop(ticks), 0);
}

}  // namespace
