#include "player/player_text.h"

#include <cstdlib>

#include "common/fixed_text.h"
#include "common/recording_format.h"

std::string FormatSize(double bytes) {
  constexpr double kKilo = 1024.0;
  constexpr double kMega = 1048576.0;
  constexpr double kGiga = 1073741824.0;
  char text[64];
  if (bytes >= kGiga)
    FormatText(text, sizeof text, "%.2f GB", bytes / kGiga);
  else if (bytes >= kMega)
    FormatText(text, sizeof text, "%.2f MB", bytes / kMega);
  else if (bytes >= kKilo)
    FormatText(text, sizeof text, "%.2f KB", bytes / kKilo);
  else
    FormatText(text, sizeof text, "%.2f", bytes);
  return text;
}

std::optional<std::string> FormatFrameDate(std::time_t when) {
  const std::tm* local = std::localtime(&when);
  if (!local) return std::nullopt;
  char text[260];
  if (std::strftime(text, sizeof text, "%a %b %d %Y (%I:%M:%S %p)", local) == 0) return std::nullopt;
  return std::string(text);
}

std::optional<std::string> FrameDateText(const uint8_t* frame, size_t length) {
  const std::optional<std::string> stamp = ReadTimestamp(frame, length);
  if (!stamp || stamp->empty()) return std::nullopt;
  const unsigned long seconds = std::strtoul(stamp->c_str(), nullptr, 10);
  return FormatFrameDate(static_cast<std::time_t>(seconds));
}

std::string StatusText(int64_t fileSize, std::string_view date) {
  return "FileSize: " + FormatSize(static_cast<double>(fileSize)) + "   FrameDate: " + std::string(date);
}

uint32_t ParseDelay(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  uint64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + static_cast<uint64_t>(text[i] - '0');
    if (value > UINT32_MAX) return UINT32_MAX;
  }
  return static_cast<uint32_t>(value);
}

std::string PositionText(size_t number, size_t count, bool counted) {
  if (number == 0) return counted ? "" : "counting frames...";
  return "frame " + std::to_string(number) + (counted ? " of " + std::to_string(count) : ", counting...");
}
