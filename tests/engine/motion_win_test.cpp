#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "engine/alarm_win.h"
#include "engine/latency_win.h"

namespace {

TEST(AlarmSoundWin, PathIsMotionWavInTheProgramsFolder) {
  char program[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(nullptr, program, sizeof(program));
  ASSERT_GT(length, 0u);
  std::string path(program, length);
  std::string folder = path.substr(0, path.rfind('\\') + 1);
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(ProgramAlarmSoundPath(), folder + "motion.wav");
}

TEST(LatencyStopwatchWin, PerformanceCounterMeasuresASleep) {
  const TickSource& ticks = PerformanceCounter();
  EXPECT_GT(ticks.Frequency(), 0);
  LatencyStopwatch watch{0, 0, 0, 0};
  watch.Start(ticks);
  EXPECT_NE(watch.startCount, 0);
  Sleep(60);
  int32_t elapsed = watch.Stop(ticks);
  // Sleep may end a timer tick early; it never ends much earlier.
  EXPECT_GE(elapsed, 45);
  EXPECT_LT(elapsed, 60000);
}

}  // namespace
