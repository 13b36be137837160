#pragma once
// The texts and conversions of the camera setup dialog that need no
// window: the recording path's extension, the schedule label, list texts,
// numbers typed into digit fields and picker times.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Replaces everything after the text's last '.' with "mjpg" (mjpeg) or
// "jpg". False, with the text untouched, when it holds no '.'.
bool SetPathExtension(std::string& path, bool mjpeg);

// The schedule element a day box edits: 0 for "all days" (box 1010), 1 to 7
// for Sunday to Saturday (1011 to 1017); -1 for any other control.
int ScheduleDayForControl(int controlId);
// "Editing Time for All Days", "Editing Time for Sun", ...; the first
// prompt for any other element.
const char* ScheduleDayLabel(int scheduleDay);
inline constexpr const char* kScheduleIntro =
    "Make start and stop time equal to record all day, click a checkbox to edit the record time for that day";

inline constexpr const char* kRotationListText = "0;90;180;270";
// An RTSP camera's recording format, in the order of RecordingExtras::recordAsSent.
inline constexpr const char* kRecordFormatListText = "JPEG pictures (.mjpg);As sent by the camera (.mp4)";
inline constexpr const char* kPositionListText =
    "Top Left;Top Center;Top Right;Center Left;Center Center;Center Right;Bottom Left;Bottom Center;Bottom Right";

// The entries of a list text separated by ';'; nothing when the text is
// longer than 259 characters.
std::vector<std::string> SplitListText(std::string_view text);

// The value of a digit field: its leading decimal digits, 0 when there are
// none, the largest unsigned 32-bit value when they do not fit.
uint32_t ParseDigits(std::string_view text);

// Seconds after midnight and back.
struct ClockTime {
  int hour, minute, second;
};
ClockTime ClockTimeFromSeconds(int32_t seconds);
int32_t SecondsFromClockTime(int hour, int minute, int second);
