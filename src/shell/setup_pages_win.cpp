#include "shell/setup_pages_win.h"

#include <commctrl.h>

#include <string>

#include "engine/camera_paths.h"
#include "shell/cam_setup_control_io_win.h"
#include "shell/setup_ids.h"
#include "shell/setup_text.h"

using namespace setup_id;

void SetupPages::FillLists() const {
  FillCombo(Item(kModify, kRotation), kRotationListText);
  FillCombo(Item(kOverlay, kOverlayPosition), kPositionListText);
  FillCombo(Item(kMotion, kInfoPosition), kPositionListText);
  FillCombo(Item(kRecording, kRecordFormat), kRecordFormatListText);
}

void SetupPages::Show(const CamSettings& s, const RecordingExtras& extras, const CameraIdentity& identity, int number,
                      const CameraAlerts& alerts) const {
  ShowRecording(s, extras);
  ShowSchedule(s);
  ShowModify(s);
  ShowOverlay(s);
  ShowMotion(s);
  ShowDevice(s, identity, number);
  ShowAlerts(alerts);
  SetPathExtension(SaveAsMjpegChecked());
}

void SetupPages::ShowRecording(const CamSettings& s, const RecordingExtras& extras) const {
  SetCheck(Item(kRecording, kRecordEnabled), s.recordEnabled);
  SetNumber(Item(kRecording, kSaveInterval), s.saveInterval);
  SetText(Item(kRecording, kSavePath), s.savePath);
  SetCheck(Item(kRecording, kCleanDirectory), s.cleanDirectory);
  CheckRadioButton(tabs_.GetPage(kRecording), kSaveMjpeg, kSaveJpeg, s.saveAsMjpeg ? kSaveMjpeg : kSaveJpeg);
  SetNumber(Item(kRecording, kMaxJpegCount), s.maxJpegCount);
  SetNumber(Item(kRecording, kPreMotionFrames), extras.preMotionFrames);
  SetNumber(Item(kRecording, kKeepMegabytes), extras.keepMegabytes);
  SetNumber(Item(kRecording, kKeepDays), extras.keepDays);
  SetComboSelection(Item(kRecording, kRecordFormat), extras.recordAsSent);
}

void SetupPages::ShowSchedule(const CamSettings& s) const {
  for (int id = kScheduleAllDays; id <= kScheduleSaturday; ++id)
    SetCheck(Item(kSchedule, id), (s.scheduleFlags >> (id - kScheduleAllDays)) & 1);
  SetWindowTextA(Item(kSchedule, kScheduleLabel), kScheduleIntro);
  for (int picker : {kStartPicker, kStopPicker}) {
    SetPickerTime(Item(kSchedule, picker), 0);
    EnableWindow(Item(kSchedule, picker), FALSE);
  }
}

void SetupPages::ShowModify(const CamSettings& s) const {
  SetCheck(Item(kModify, kFlipHorizontal), s.flipHorizontal);
  SetCheck(Item(kModify, kFlipVertical), s.flipVertical);
  if (s.rotation != 0) SetComboSelection(Item(kModify, kRotation), RotationListPosition(s.rotation));
  SetNumber(Item(kModify, kJpegQuality), s.jpegQuality);
}

void SetupPages::ShowOverlay(const CamSettings& s) const {
  SetCheck(Item(kOverlay, kOverlayEnabled), s.overlayEnabled);
  SetCheck(Item(kOverlay, kOverlayOnFile), s.overlayOnFile);
  SetNumber(Item(kOverlay, kOverlayOpacity), s.overlayOpacity);
  SetComboSelection(Item(kOverlay, kOverlayPosition), AnchorListPosition(s.overlayPosition));
  SetText(Item(kOverlay, kOverlayText), s.overlayText);
}

void SetupPages::ShowMotion(const CamSettings& s) const {
  SetCheck(Item(kMotion, kMotionEnabled), s.motionEnabled);
  SetNumber(Item(kMotion, kTriggerLevel), s.triggerLevel);
  SetNumber(Item(kMotion, kSaveCount), s.saveCount);
  SetCheck(Item(kMotion, kMotionSound), s.motionSound);
  SetCheck(Item(kMotion, kShowDetectRect), s.showDetectRect);
  SetNumber(Item(kMotion, kDetectRectOpacity), s.detectRectOpacity);
  SetCheck(Item(kMotion, kEditDetectGrid), 0);
  SetCheck(Item(kMotion, kShowDetectInfo), s.showDetectInfo);
  SetNumber(Item(kMotion, kInfoOpacity), s.infoOpacity);
  SetComboSelection(Item(kMotion, kInfoPosition), AnchorListPosition(s.infoPosition));
}

void SetupPages::ShowDevice(const CamSettings& s, const CameraIdentity& identity, int number) const {
  SendMessageA(Item(kDevice, kCameraName), EM_LIMITTEXT, kCameraNameSize - 1, 0);
  SetText(Item(kDevice, kCameraName), CameraName(identity, number).c_str());
  SetCheck(Item(kDevice, kShowLabel), !identity.hideLabel);
  if (s.cameraType >= kNoCamera && s.cameraType <= kCaptureDevice)
    CheckRadioButton(tabs_.GetPage(kDevice), kDeviceNone, kDeviceCapture, kDeviceNone + s.cameraType);
}

void SetupPages::ShowAlerts(const CameraAlerts& alerts) const {
  SetCheck(Item(kAlerts, kAlertMail), alerts.mail);
  SetCheck(Item(kAlerts, kAlertHook), alerts.hook);
  SetCheck(Item(kAlerts, kAlertMqtt), alerts.mqtt);
  SetNumber(Item(kAlerts, kAlertCoolDown), alerts.coolDownSeconds);
  SetCheck(Item(kAlerts, kAlertOnlyScheduled), alerts.onlyWhenScheduled);
}

void SetupPages::Read(CamSettings& s, int scheduleDay) const {
  ReadRecording(s);
  ReadSchedule(s, scheduleDay);
  ReadModify(s);
  ReadOverlay(s);
  ReadMotion(s);
  ReadDevice(s);
}

void SetupPages::ReadRecording(CamSettings& s) const {
  s.recordEnabled = GetCheck(Item(kRecording, kRecordEnabled));
  s.saveInterval = GetNumber(Item(kRecording, kSaveInterval));
  GetText(Item(kRecording, kSavePath), s.savePath);
  s.cleanDirectory = GetCheck(Item(kRecording, kCleanDirectory));
  s.saveAsMjpeg = GetCheck(Item(kRecording, kSaveMjpeg));
  s.maxJpegCount = GetNumber(Item(kRecording, kMaxJpegCount));
}

RecordingExtras SetupPages::ReadExtras() const {
  return ClampRecordingExtras({GetNumber(Item(kRecording, kPreMotionFrames)),
                               GetNumber(Item(kRecording, kKeepMegabytes)), GetNumber(Item(kRecording, kKeepDays)),
                               GetComboSelection(Item(kRecording, kRecordFormat))});
}

CameraIdentity SetupPages::ReadIdentity(int number) const {
  CameraIdentity identity{};
  char name[kCameraNameSize] = {};
  GetWindowTextA(Item(kDevice, kCameraName), name, sizeof name);
  SetCameraName(identity, name, number);
  identity.hideLabel = !GetCheck(Item(kDevice, kShowLabel));
  return identity;
}

CameraAlerts SetupPages::ReadAlerts() const {
  return {GetCheck(Item(kAlerts, kAlertMail)), GetCheck(Item(kAlerts, kAlertHook)), GetCheck(Item(kAlerts, kAlertMqtt)),
          GetNumber(Item(kAlerts, kAlertCoolDown)), GetCheck(Item(kAlerts, kAlertOnlyScheduled))};
}

void SetupPages::ReadSchedule(CamSettings& s, int scheduleDay) const {
  uint8_t flags = 0;
  for (int id = kScheduleAllDays; id <= kScheduleSaturday; ++id)
    if (GetCheck(Item(kSchedule, id))) flags |= static_cast<uint8_t>(1u << (id - kScheduleAllDays));
  s.scheduleFlags = flags;
  if (scheduleDay >= 0 && scheduleDay <= 7) {
    s.scheduleStart[scheduleDay] = GetPickerTime(Item(kSchedule, kStartPicker));
    s.scheduleStop[scheduleDay] = GetPickerTime(Item(kSchedule, kStopPicker));
  }
}

void SetupPages::ReadModify(CamSettings& s) const {
  s.flipHorizontal = GetCheck(Item(kModify, kFlipHorizontal));
  s.flipVertical = GetCheck(Item(kModify, kFlipVertical));
  s.rotation = RotationFromList(GetComboSelection(Item(kModify, kRotation)));
  s.jpegQuality = GetNumber(Item(kModify, kJpegQuality));
}

void SetupPages::ReadOverlay(CamSettings& s) const {
  s.overlayEnabled = GetCheck(Item(kOverlay, kOverlayEnabled));
  s.overlayOnFile = GetCheck(Item(kOverlay, kOverlayOnFile));
  s.overlayOpacity = GetNumber(Item(kOverlay, kOverlayOpacity));
  s.overlayPosition = AnchorCodeFromList(GetComboSelection(Item(kOverlay, kOverlayPosition)));
  GetText(Item(kOverlay, kOverlayText), s.overlayText);
}

void SetupPages::ReadMotion(CamSettings& s) const {
  s.motionEnabled = GetCheck(Item(kMotion, kMotionEnabled));
  s.triggerLevel = GetNumber(Item(kMotion, kTriggerLevel));
  s.saveCount = GetNumber(Item(kMotion, kSaveCount));
  s.motionSound = GetCheck(Item(kMotion, kMotionSound));
  s.showDetectRect = GetCheck(Item(kMotion, kShowDetectRect));
  s.detectRectOpacity = GetNumber(Item(kMotion, kDetectRectOpacity));
  s.editDetectGrid = GetCheck(Item(kMotion, kEditDetectGrid));
  s.showDetectInfo = GetCheck(Item(kMotion, kShowDetectInfo));
  s.infoOpacity = GetNumber(Item(kMotion, kInfoOpacity));
  s.infoPosition = AnchorCodeFromList(GetComboSelection(Item(kMotion, kInfoPosition)));
}

void SetupPages::ReadDevice(CamSettings& s) const {
  for (int type = kNoCamera; type <= kCaptureDevice; ++type)
    if (GetCheck(Item(kDevice, kDeviceNone + type))) s.cameraType = type;
}

void SetupPages::ShowScheduleDay(const CamSettings& s, int scheduleDay) const {
  SetWindowTextA(Item(kSchedule, kScheduleLabel), ScheduleDayLabel(scheduleDay));
  SetPickerTime(Item(kSchedule, kStartPicker), s.scheduleStart[scheduleDay]);
  SetPickerTime(Item(kSchedule, kStopPicker), s.scheduleStop[scheduleDay]);
  EnableWindow(Item(kSchedule, kStartPicker), TRUE);
  EnableWindow(Item(kSchedule, kStopPicker), TRUE);
}

void SetupPages::SetPathExtension(bool mjpeg) const {
  HWND field = Item(kRecording, kSavePath);
  const int length = GetWindowTextLengthA(field);
  std::string path(static_cast<size_t>(length) + 1, '\0');
  path.resize(static_cast<size_t>(GetWindowTextA(field, path.data(), length + 1)));
  if (::SetPathExtension(path, mjpeg)) SetWindowTextA(field, path.c_str());
}

void SetupPages::GiveOwnPath(int number) const {
  CamSettings s{};
  GetText(Item(kRecording, kSavePath), s.savePath);
  if (GiveOwnDefaultPath(s, number)) SetText(Item(kRecording, kSavePath), s.savePath);
}

void SetupPages::Focus(int page, int controlId) const {
  SendMessageA(tabs_.TabControl(), TCM_SETCURSEL, static_cast<WPARAM>(page), 0);
  tabs_.ShowPage(page);
  SetFocus(Item(page, controlId));
}

bool SetupPages::SaveAsMjpegChecked() const {
  return GetCheck(Item(kRecording, kSaveMjpeg)) != 0;
}
