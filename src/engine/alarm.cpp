#include "engine/alarm.h"

#include "engine/motion_decision.h"

void UpdateMotionAlarm(const CamSettings& settings, int32_t motionLevel, int32_t& motionLatch, AlarmSound& sound) {
  if (!settings.motionSound || !settings.motionEnabled) return;
  if (!HasMotion(motionLevel, settings.triggerLevel)) {
    motionLatch = 0;
    return;
  }
  if (!motionLatch) sound.Play();
  motionLatch = 1;
}

std::string AlarmSoundPath(std::string_view programPath) {
  size_t slash = programPath.rfind('\\');
  if (slash == std::string_view::npos) return {};
  size_t folderLength = slash + 1;
  if (folderLength + kAlarmFileName.size() + 1 > kProgramPathSize) return {};
  std::string path(programPath.substr(0, folderLength));
  path += kAlarmFileName;
  return path;
}
