#pragma once
// Resource and control numbers of the player window (res/player_dialog.rc).

inline constexpr int kPlayerTemplate = 101;
inline constexpr int kPlayerIcon = 50;
inline constexpr int kEditMenu = 150;  // a recording that may be edited
inline constexpr int kBusyMenu = 151;  // while playing or while an operation runs

inline constexpr int kLoadButton = 1001;
inline constexpr int kPlayButton = 1002;
inline constexpr int kFirstButton = 1003;  // "<<"
inline constexpr int kLastButton = 1004;   // ">>"
inline constexpr int kTimeline = 1005;
inline constexpr int kStepArrows = 1006;
inline constexpr int kPictureArea = 1007;
inline constexpr int kDelayField = 1008;
inline constexpr int kStatusLine = 1009;
inline constexpr int kDelayLabel = 1010;
inline constexpr int kPositionReadout = 1011;  // "frame 12 of 340", beside the status line

inline constexpr int kSetSelectionStart = 160;
inline constexpr int kSetSelectionEnd = 161;
inline constexpr int kClearSelection = 162;
inline constexpr int kExtractSelection = 163;
inline constexpr int kDeleteSelection = 164;
inline constexpr int kSaveFrame = 165;
inline constexpr int kInsertAtStart = 166;
inline constexpr int kInsertAtEnd = 167;
inline constexpr int kExportAvi = 168;
inline constexpr int kCannotEdit = 172;
inline constexpr int kExportMp4 = 173;  // MP4 recordings only

inline constexpr unsigned kPlayTimer = 10;
inline constexpr unsigned kTimelineRange = 65535;
inline constexpr unsigned kTimelinePage = 16383;
