#include "engine/camera_paths.h"

#include <string>

#include "common/fixed_text.h"

namespace {

char Folded(char c) {
  if (c == '/') return '\\';
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool GiveOwnDefaultPath(CamSettings& settings, int number) {
  const std::string_view current = TextView(settings.savePath);
  const CamSettings defaults = DefaultCamSettings();
  const std::string_view fresh = TextView(defaults.savePath);
  const std::string_view stem = fresh.substr(0, fresh.rfind('.') + 1);
  if (number <= 0 || current.substr(0, stem.size()) != stem) return false;
  const std::string_view extension = current.substr(stem.size());
  if (extension != "mjpg" && extension != "jpg") return false;
  // A folder per camera keeps each camera's storage limits to its own
  // files; a dated folder per day sorts by date and is never cleaned by
  // the move to the next day.
  const std::string number_text = std::to_string(number);
  const std::string own =
      "C:\\Cameras\\Camera " + number_text + "\\%Y-%m-%d\\camera" + number_text + "." + std::string(extension);
  CopyText(settings.savePath, own);
  return true;
}

bool SameRecordingFile(std::string_view a, std::string_view b) {
  if (a.size() != b.size() || a.empty()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Folded(a[i]) != Folded(b[i])) return false;
  return true;
}
