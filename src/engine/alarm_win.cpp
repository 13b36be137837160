#include "engine/alarm_win.h"

#include <windows.h>
// After <windows.h>, whose types it uses.
#include <mmsystem.h>

#include "common/program_path_win.h"

std::string ProgramAlarmSoundPath() {
  return AlarmSoundPath(ProgramPath());
}

void PlaySoundAlarm::Play() {
  std::string path = ProgramAlarmSoundPath();
  if (path.empty()) return;
  PlaySoundA(path.c_str(), nullptr, SND_ASYNC);
}
