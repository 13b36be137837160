#include "shell/setup_text.h"

#include <limits>

bool SetPathExtension(std::string& path, bool mjpeg) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos) return false;
  path.replace(dot + 1, std::string::npos, mjpeg ? "mjpg" : "jpg");
  return true;
}

int ScheduleDayForControl(int controlId) {
  return controlId >= 1010 && controlId <= 1017 ? controlId - 1010 : -1;
}

const char* ScheduleDayLabel(int scheduleDay) {
  static const char* const labels[] = {"Editing Time for All Days", "Editing Time for Sun", "Editing Time for Mon",
                                       "Editing Time for Tue",      "Editing Time for Wed", "Editing Time for Thu",
                                       "Editing Time for Fri",      "Editing Time for Sat"};
  if (scheduleDay < 0 || scheduleDay > 7) return kScheduleIntro;
  return labels[scheduleDay];
}

std::vector<std::string> SplitListText(std::string_view text) {
  std::vector<std::string> entries;
  if (text.size() > 259) return entries;
  for (;;) {
    const size_t end = text.find(';');
    entries.emplace_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return entries;
}

uint32_t ParseDigits(std::string_view text) {
  constexpr uint32_t kMax = std::numeric_limits<uint32_t>::max();
  uint32_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    const uint32_t digit = static_cast<uint32_t>(c - '0');
    if (value > (kMax - digit) / 10) return kMax;
    value = value * 10 + digit;
  }
  return value;
}

ClockTime ClockTimeFromSeconds(int32_t seconds) {
  // Stored times are unsigned seconds; a damaged record may hold anything,
  // and a picker cannot show more than a day.
  const uint32_t s = static_cast<uint32_t>(seconds) % 86400u;
  return ClockTime{static_cast<int>(s / 3600), static_cast<int>(s % 3600 / 60), static_cast<int>(s % 60)};
}

int32_t SecondsFromClockTime(int hour, int minute, int second) {
  return hour * 3600 + minute * 60 + second;
}
