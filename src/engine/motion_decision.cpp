#include "engine/motion_decision.h"

bool TakeRecordingTurn(const CamSettings& settings, int32_t motionLevel, uint32_t& saveCountdown) {
  if (!settings.motionEnabled) {
    saveCountdown = 0;
    return true;
  }
  if (HasMotion(motionLevel, settings.triggerLevel)) {
    uint32_t after = settings.saveCount > 0 ? static_cast<uint32_t>(settings.saveCount) : 0;
    saveCountdown = after + 1;
  }
  if (saveCountdown == 0) return false;
  --saveCountdown;
  return true;
}
