#include "events/alert.h"

#include <cstdio>
#include <cstdlib>

#include "common/clock.h"

namespace {

struct Civil {
  int year, month, day, hour, minute, second;
};

// Days since 1970-01-01 to a proleptic Gregorian date, without the C
// library's time zone state (the alert threads must not share it).
Civil ToCivil(int64_t seconds) {
  int64_t days = seconds / 86400;
  int64_t rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  const int day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  const int month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  const int year = static_cast<int>(yearOfEra + era * 400 + (month <= 2));
  return {
      year, month, day, static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60)};
}

// Days from 1970-01-01 to a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

}  // namespace

int32_t LocalUtcOffset(int64_t time) {
  const std::tm local = ToLocalTime(static_cast<std::time_t>(time));
  const int64_t asUtc = DaysFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) * 86400 +
                        local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
  return static_cast<int32_t>(asUtc - time);
}

const char* EventKindName(EventKind kind) {
  switch (kind) {
    case EventKind::kMotion:
      return "motion";
    case EventKind::kSignalLost:
      return "signal lost";
    case EventKind::kSignalBack:
      return "signal back";
    case EventKind::kRecordingFailed:
      return "recording failed";
    case EventKind::kStorageFull:
      return "storage full";
    case EventKind::kAlertFailed:
      return "alert failed";
  }
  return "event";
}

std::string CameraTitle(const Alert& alert) {
  std::string title = "Camera " + std::to_string(alert.camera);
  if (!alert.cameraName.empty()) title += " (" + alert.cameraName + ")";
  return title;
}

std::string AlertSubject(const Alert& alert) {
  std::string what = EventKindName(alert.kind);
  what[0] = static_cast<char>(what[0] - 'a' + 'A');
  const Civil local = ToCivil(alert.time + alert.utcOffset);
  char clock[16];
  std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", local.hour, local.minute, local.second);
  return what + " on " + CameraTitle(alert) + " at " + clock;
}

std::string AlertIsoTime(const Alert& alert) {
  const Civil local = ToCivil(alert.time + alert.utcOffset);
  const int offsetMinutes = std::abs(alert.utcOffset) / 60;
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", local.year, local.month, local.day,
                local.hour, local.minute, local.second, alert.utcOffset < 0 ? '-' : '+', offsetMinutes / 60,
                offsetMinutes % 60);
  return text;
}
