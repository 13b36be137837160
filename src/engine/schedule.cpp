#include "engine/schedule.h"

#include <cstdint>

namespace {

ScheduleDecision InWindow(int32_t start, int32_t stop, uint32_t second) {
  // Stored as signed 32-bit fields but meant as unsigned seconds.
  auto from = static_cast<uint32_t>(start);
  auto to = static_cast<uint32_t>(stop);
  return from <= second && second <= to ? ScheduleDecision::kRecord : ScheduleDecision::kSkipAndClose;
}

}  // namespace

ScheduleDecision ScheduleAllows(const CamSettings& settings, const std::tm& localTime) {
  if (settings.scheduleFlags == 0) return ScheduleDecision::kRecord;

  const std::tm& t = localTime;
  if (t.tm_wday < 0 || t.tm_wday > 6 || t.tm_hour < 0 || t.tm_hour > 23 || t.tm_min < 0 || t.tm_min > 59 ||
      t.tm_sec < 0 || t.tm_sec > 60)
    return ScheduleDecision::kSkip;
  int day = t.tm_wday + 1;
  if ((settings.scheduleFlags & (1u << day)) == 0) return ScheduleDecision::kSkip;

  auto second = static_cast<uint32_t>(t.tm_hour * 3600 + t.tm_min * 60 + t.tm_sec);
  if (settings.scheduleStart[0] != settings.scheduleStop[0])
    return InWindow(settings.scheduleStart[0], settings.scheduleStop[0], second);
  if (settings.scheduleStart[day] == settings.scheduleStop[day]) return ScheduleDecision::kRecord;
  return InWindow(settings.scheduleStart[day], settings.scheduleStop[day], second);
}

ScheduleDecision ScheduleAllows(const CamSettings& settings, const Clock& clock) {
  return ScheduleAllows(settings, clock.LocalTime());
}
