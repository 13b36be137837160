#pragma once
// The camera setup dialog's controls and pages, as its templates number them.

namespace setup_id {
inline constexpr int kTabControl = 1080;
inline constexpr int kPreview = 1021;
inline constexpr int kCancel = 1051;
inline constexpr int kOk = 1052;
inline constexpr int kIcon = 199;

// Page indexes, in tab order; templates 1001 to 1007.
enum Page { kRecording = 0, kSchedule, kModify, kOverlay, kMotion, kDevice, kAlerts, kPageCount };
inline constexpr int kFirstPageTemplate = 1001;

// Recording page.
inline constexpr int kRecordEnabled = 1010, kCleanDirectory = 1011, kSaveInterval = 1041, kSavePath = 1042,
                     kMaxJpegCount = 1043, kSaveMjpeg = 1070, kSaveJpeg = 1071;
// Recording page, the values kept beside the camera's settings (0 = none).
inline constexpr int kPreMotionFrames = 1044, kKeepMegabytes = 1045, kKeepDays = 1046, kRecordFormat = 1047;
// Schedule page: 1010 all days ("&Record Only at Specific Times"), 1011 to
// 1017 Sunday to Saturday.
inline constexpr int kScheduleAllDays = 1010, kScheduleSaturday = 1017, kScheduleLabel = 1023, kStartPicker = 1060,
                     kStopPicker = 1061;
// Modify page.
inline constexpr int kFlipHorizontal = 1010, kFlipVertical = 1011, kRotation = 1031, kJpegQuality = 1041;
// Overlay page.
inline constexpr int kOverlayEnabled = 1010, kOverlayOnFile = 1011, kOverlayOpacity = 1041, kOverlayPosition = 1031,
                     kOverlayText = 1042, kOverlayFont = 1052, kOverlayBackColor = 1051;
// Motion page.
inline constexpr int kMotionEnabled = 1010, kMotionSound = 1011, kShowDetectRect = 1012, kEditDetectGrid = 1013,
                     kShowDetectInfo = 1014, kTriggerLevel = 1041, kSaveCount = 1042, kDetectRectOpacity = 1044,
                     kInfoOpacity = 1045, kInfoPosition = 1031, kDetectRectColor = 1051, kInfoFont = 1052,
                     kInfoBackColor = 1053;
// Device page: 1070 + cameraType.
inline constexpr int kDeviceNone = 1070, kDeviceIp = 1071, kDeviceCapture = 1072;
// Device page, the camera's name and its label over the picture.
inline constexpr int kCameraName = 1041, kShowLabel = 1010;
// Alerts page: who is told of the camera's events; the button opens the
// program-wide servers.
inline constexpr int kAlertMail = 1010, kAlertHook = 1011, kAlertMqtt = 1012, kAlertOnlyScheduled = 1013,
                     kAlertCoolDown = 1041, kAlertServers = 1051;
}  // namespace setup_id
