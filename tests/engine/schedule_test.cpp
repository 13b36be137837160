#include "engine/schedule.h"

#include <gtest/gtest.h>

#include "support/settable_clock.h"

namespace {

constexpr uint8_t kSpecificTimes = 1;
// Day box bits, Sunday = bit 1 to Saturday = bit 7.
constexpr uint8_t Day(int weekday) {
  return static_cast<uint8_t>(1u << (weekday + 1));
}
constexpr int kSunday = 0, kMonday = 1, kTuesday = 2, kWednesday = 3, kSaturday = 6;
constexpr int32_t At(int hour, int minute, int second) {
  return hour * 3600 + minute * 60 + second;
}

CamSettings Scheduled(uint8_t flags) {
  CamSettings settings = DefaultCamSettings();
  settings.scheduleFlags = flags;
  return settings;
}

// 2026-12-07 is a Monday.
ScheduleDecision On(const CamSettings& settings, int day, int hour, int minute, int second) {
  return ScheduleAllows(settings, SettableClock(2026, 12, day, hour, minute, second));
}

TEST(ScheduleAllows, NoScheduleAlwaysRecords) {
  CamSettings settings = Scheduled(0);
  settings.scheduleStart[0] = At(8, 0, 0);
  settings.scheduleStop[0] = At(9, 0, 0);
  EXPECT_EQ(On(settings, 7, 3, 0, 0), ScheduleDecision::kRecord);
}

TEST(ScheduleAllows, AllDaysWindowIsInclusiveAtBothEnds) {
  CamSettings settings = Scheduled(kSpecificTimes | Day(kMonday));
  settings.scheduleStart[0] = At(8, 0, 0);
  settings.scheduleStop[0] = At(17, 0, 0);
  EXPECT_EQ(On(settings, 7, 7, 59, 59), ScheduleDecision::kSkipAndClose);
  EXPECT_EQ(On(settings, 7, 8, 0, 0), ScheduleDecision::kRecord);
  EXPECT_EQ(On(settings, 7, 17, 0, 0), ScheduleDecision::kRecord);
  EXPECT_EQ(On(settings, 7, 17, 0, 1), ScheduleDecision::kSkipAndClose);
}

TEST(ScheduleAllows, WindowAcrossMidnightNeverRecords) {
  CamSettings settings = Scheduled(kSpecificTimes | Day(kMonday) | Day(kTuesday));
  settings.scheduleStart[0] = At(22, 0, 0);
  settings.scheduleStop[0] = At(6, 0, 0);
  SettableClock clock(2026, 12, 7, 21, 0, 0);
  for (int hour = 0; hour < 12; ++hour, clock.Advance(3600))
    EXPECT_EQ(ScheduleAllows(settings, clock), ScheduleDecision::kSkipAndClose) << hour;
  EXPECT_EQ(On(settings, 7, 22, 0, 0), ScheduleDecision::kSkipAndClose);
  EXPECT_EQ(On(settings, 8, 6, 0, 0), ScheduleDecision::kSkipAndClose);

  CamSettings ownWindow = Scheduled(kSpecificTimes | Day(kMonday));
  ownWindow.scheduleStart[kMonday + 1] = At(22, 0, 0);
  ownWindow.scheduleStop[kMonday + 1] = At(6, 0, 0);
  EXPECT_EQ(On(ownWindow, 7, 23, 0, 0), ScheduleDecision::kSkipAndClose);
  EXPECT_EQ(On(ownWindow, 7, 5, 0, 0), ScheduleDecision::kSkipAndClose);
}

TEST(ScheduleAllows, EveryCheckedDayQualifies) {
  CamSettings settings = Scheduled(kSpecificTimes | Day(kMonday) | Day(kWednesday) | Day(kSaturday));
  EXPECT_EQ(On(settings, 6, 12, 0, 0), ScheduleDecision::kSkip);     // Sunday
  EXPECT_EQ(On(settings, 7, 12, 0, 0), ScheduleDecision::kRecord);   // Monday
  EXPECT_EQ(On(settings, 8, 12, 0, 0), ScheduleDecision::kSkip);     // Tuesday
  EXPECT_EQ(On(settings, 9, 12, 0, 0), ScheduleDecision::kRecord);   // Wednesday
  EXPECT_EQ(On(settings, 12, 12, 0, 0), ScheduleDecision::kRecord);  // Saturday

  CamSettings sundayOnly = Scheduled(Day(kSunday));
  EXPECT_EQ(On(sundayOnly, 6, 0, 0, 0), ScheduleDecision::kRecord);
  EXPECT_EQ(On(sundayOnly, 7, 0, 0, 0), ScheduleDecision::kSkip);
}

TEST(ScheduleAllows, SpecificTimesWithoutDaysNeverRecordsButKeepsTheFile) {
  CamSettings settings = Scheduled(kSpecificTimes);
  for (int day = 6; day <= 12; ++day) EXPECT_EQ(On(settings, day, 12, 0, 0), ScheduleDecision::kSkip) << day;
}

TEST(ScheduleAllows, CrossingMidnightIntoAnUncheckedDayKeepsTheFileOpen) {
  CamSettings settings = Scheduled(kSpecificTimes | Day(kMonday));
  settings.scheduleStart[kMonday + 1] = At(20, 0, 0);
  settings.scheduleStop[kMonday + 1] = At(23, 59, 59);
  SettableClock clock(2026, 12, 7, 23, 59, 59);
  EXPECT_EQ(ScheduleAllows(settings, clock), ScheduleDecision::kRecord);
  clock.Advance(1);
  EXPECT_EQ(ScheduleAllows(settings, clock), ScheduleDecision::kSkip);
}

TEST(ScheduleAllows, DayWindowsApplyOnlyWhenTheAllDaysWindowIsOpen) {
  CamSettings settings = Scheduled(kSpecificTimes | Day(kMonday) | Day(kTuesday));
  settings.scheduleStart[kMonday + 1] = At(9, 0, 0);
  settings.scheduleStop[kMonday + 1] = At(10, 0, 0);
  // Tuesday's window: start equals stop, the whole day.
  settings.scheduleStart[kTuesday + 1] = At(4, 0, 0);
  settings.scheduleStop[kTuesday + 1] = At(4, 0, 0);
  EXPECT_EQ(On(settings, 7, 9, 30, 0), ScheduleDecision::kRecord);
  EXPECT_EQ(On(settings, 7, 10, 0, 1), ScheduleDecision::kSkipAndClose);
  EXPECT_EQ(On(settings, 7, 8, 59, 59), ScheduleDecision::kSkipAndClose);
  EXPECT_EQ(On(settings, 8, 0, 0, 0), ScheduleDecision::kRecord);
  EXPECT_EQ(On(settings, 8, 23, 59, 59), ScheduleDecision::kRecord);

  // An all-days window takes precedence over the day's own.
  settings.scheduleStart[0] = At(12, 0, 0);
  settings.scheduleStop[0] = At(13, 0, 0);
  EXPECT_EQ(On(settings, 7, 9, 30, 0), ScheduleDecision::kSkipAndClose);
  EXPECT_EQ(On(settings, 7, 12, 30, 0), ScheduleDecision::kRecord);
  EXPECT_EQ(On(settings, 8, 14, 0, 0), ScheduleDecision::kSkipAndClose);
}

TEST(ScheduleAllows, WindowSecondsAreUnsigned) {
  CamSettings settings = Scheduled(kSpecificTimes | Day(kMonday));
  settings.scheduleStart[0] = At(8, 0, 0);
  settings.scheduleStop[0] = -1;  // 4294967295: up to the end of the day
  EXPECT_EQ(On(settings, 7, 23, 59, 59), ScheduleDecision::kRecord);
  settings.scheduleStart[0] = -1;
  settings.scheduleStop[0] = At(8, 0, 0);
  EXPECT_EQ(On(settings, 7, 7, 0, 0), ScheduleDecision::kSkipAndClose);
}

TEST(ScheduleAllows, ABrokenCalendarTimeRecordsNothing) {
  CamSettings settings = Scheduled(kSpecificTimes | 0xFE);
  std::tm broken{};
  broken.tm_wday = -1;
  EXPECT_EQ(ScheduleAllows(settings, broken), ScheduleDecision::kSkip);
  broken.tm_wday = 7;
  EXPECT_EQ(ScheduleAllows(settings, broken), ScheduleDecision::kSkip);
}

}  // namespace
