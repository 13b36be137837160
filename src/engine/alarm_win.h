#pragma once
// The alarm through the system's sound player.

#include <string>

#include "engine/alarm.h"

// Plays "motion.wav" from the program's folder with PlaySoundA,
// asynchronously, so the worker goes on with its picture at once.
class PlaySoundAlarm final : public AlarmSound {
 public:
  void Play() override;
};

// The alarm file beside the running program, or empty when the program's
// path cannot be read whole or has no folder.
std::string ProgramAlarmSoundPath();
