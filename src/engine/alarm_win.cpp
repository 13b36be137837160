#include "engine/alarm_win.h"

#include <windows.h>
// After <windows.h>, whose types it uses.
#include <mmsystem.h>

#include <string_view>

std::string ProgramAlarmSoundPath() {
  char programPath[kProgramPathSize] = {};
  DWORD length = GetModuleFileNameA(nullptr, programPath, sizeof(programPath));
  // A result that fills the buffer was cut short; a cut path names some
  // other file.
  if (length == 0 || length >= sizeof(programPath)) return {};
  return AlarmSoundPath(std::string_view(programPath, length));
}

void PlaySoundAlarm::Play() {
  std::string path = ProgramAlarmSoundPath();
  if (path.empty()) return;
  PlaySoundA(path.c_str(), nullptr, SND_ASYNC);
}
