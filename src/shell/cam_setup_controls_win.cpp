// The setup pages' controls and the fields of the working copy they edit.

#include <cstring>

#include "shell/cam_setup_control_io_win.h"
#include "shell/cam_setup_dlg_win.h"
#include "shell/setup_text.h"

using namespace setup_id;

void CamSetupDlg::InitControls() {
  if (camera_) {
    preview_.EditableSettings() = camera_->Settings();
    preview_.EditableGrid() = camera_->Grid();
    preview_.EditableExtras() = camera_->Extras();
  }
  // Grid editing starts off, in the preview as on its box.
  preview_.EditableSettings().editDetectGrid = 0;
  const CamSettings& s = preview_.Settings();
  InitRecordingPage(s);
  InitRecordingExtras();
  InitSchedulePage(s);
  InitModifyPage(s);
  InitOverlayPage(s);
  InitMotionPage(s);
  if (s.cameraType >= 0 && s.cameraType <= 2)
    CheckRadioButton(tabs_.GetPage(kDevice), kDeviceNone, kDeviceCapture, kDeviceNone + s.cameraType);
  SetPathExtensionFromButton(GetCheck(Item(kRecording, kSaveMjpeg)) != 0);
}

void CamSetupDlg::InitRecordingPage(const CamSettings& s) const {
  SetCheck(Item(kRecording, kRecordEnabled), s.recordEnabled);
  SetNumber(Item(kRecording, kSaveInterval), s.saveInterval);
  SetText(Item(kRecording, kSavePath), s.savePath);
  SetCheck(Item(kRecording, kCleanDirectory), s.cleanDirectory);
  CheckRadioButton(tabs_.GetPage(kRecording), kSaveMjpeg, kSaveJpeg, s.saveAsMjpeg ? kSaveMjpeg : kSaveJpeg);
  SetNumber(Item(kRecording, kMaxJpegCount), s.maxJpegCount);
}

void CamSetupDlg::InitRecordingExtras() const {
  const RecordingExtras& extras = preview_.Extras();
  SetNumber(Item(kRecording, kPreMotionFrames), extras.preMotionFrames);
  SetNumber(Item(kRecording, kKeepMegabytes), extras.keepMegabytes);
  SetNumber(Item(kRecording, kKeepDays), extras.keepDays);
}

void CamSetupDlg::InitSchedulePage(const CamSettings& s) const {
  for (int id = kScheduleAllDays; id <= kScheduleSaturday; ++id)
    SetCheck(Item(kSchedule, id), (s.scheduleFlags >> (id - kScheduleAllDays)) & 1);
  SetWindowTextA(Item(kSchedule, kScheduleLabel), kScheduleIntro);
  for (int picker : {kStartPicker, kStopPicker}) {
    SetPickerTime(Item(kSchedule, picker), 0);
    EnableWindow(Item(kSchedule, picker), FALSE);
  }
}

void CamSetupDlg::InitModifyPage(const CamSettings& s) const {
  SetCheck(Item(kModify, kFlipHorizontal), s.flipHorizontal);
  SetCheck(Item(kModify, kFlipVertical), s.flipVertical);
  if (s.rotation != 0) SetComboSelection(Item(kModify, kRotation), RotationListPosition(s.rotation));
  SetNumber(Item(kModify, kJpegQuality), s.jpegQuality);
}

void CamSetupDlg::InitOverlayPage(const CamSettings& s) const {
  SetCheck(Item(kOverlay, kOverlayEnabled), s.overlayEnabled);
  SetCheck(Item(kOverlay, kOverlayOnFile), s.overlayOnFile);
  SetNumber(Item(kOverlay, kOverlayOpacity), s.overlayOpacity);
  SetComboSelection(Item(kOverlay, kOverlayPosition), AnchorListPosition(s.overlayPosition));
  SetText(Item(kOverlay, kOverlayText), s.overlayText);
}

void CamSetupDlg::InitMotionPage(const CamSettings& s) const {
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

void CamSetupDlg::ReadControls() {
  CamSettings& s = preview_.EditableSettings();
  ReadRecordingPage(s);
  ReadRecordingExtras();
  ReadSchedulePage(s);
  ReadModifyPage(s);
  ReadOverlayPage(s);
  ReadMotionPage(s);
  ReadDevicePage(s);
  if (preview_.Handle())
    RedrawWindow(preview_.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_NOCHILDREN | RDW_UPDATENOW | RDW_FRAME);
}

void CamSetupDlg::ReadRecordingPage(CamSettings& s) const {
  s.recordEnabled = GetCheck(Item(kRecording, kRecordEnabled));
  s.saveInterval = GetNumber(Item(kRecording, kSaveInterval));
  GetText(Item(kRecording, kSavePath), s.savePath);
  s.cleanDirectory = GetCheck(Item(kRecording, kCleanDirectory));
  s.saveAsMjpeg = GetCheck(Item(kRecording, kSaveMjpeg));
  s.maxJpegCount = GetNumber(Item(kRecording, kMaxJpegCount));
}

void CamSetupDlg::ReadRecordingExtras() {
  preview_.EditableExtras() =
      ClampRecordingExtras({GetNumber(Item(kRecording, kPreMotionFrames)), GetNumber(Item(kRecording, kKeepMegabytes)),
                            GetNumber(Item(kRecording, kKeepDays))});
}

void CamSetupDlg::ReadSchedulePage(CamSettings& s) const {
  uint8_t flags = 0;
  for (int id = kScheduleAllDays; id <= kScheduleSaturday; ++id)
    if (GetCheck(Item(kSchedule, id))) flags |= static_cast<uint8_t>(1u << (id - kScheduleAllDays));
  s.scheduleFlags = flags;
  if (scheduleDay_ >= 0 && scheduleDay_ <= 7) {
    s.scheduleStart[scheduleDay_] = GetPickerTime(Item(kSchedule, kStartPicker));
    s.scheduleStop[scheduleDay_] = GetPickerTime(Item(kSchedule, kStopPicker));
  }
}

void CamSetupDlg::ReadModifyPage(CamSettings& s) const {
  s.flipHorizontal = GetCheck(Item(kModify, kFlipHorizontal));
  s.flipVertical = GetCheck(Item(kModify, kFlipVertical));
  s.rotation = RotationFromList(GetComboSelection(Item(kModify, kRotation)));
  s.jpegQuality = GetNumber(Item(kModify, kJpegQuality));
}

void CamSetupDlg::ReadOverlayPage(CamSettings& s) const {
  s.overlayEnabled = GetCheck(Item(kOverlay, kOverlayEnabled));
  s.overlayOnFile = GetCheck(Item(kOverlay, kOverlayOnFile));
  s.overlayOpacity = GetNumber(Item(kOverlay, kOverlayOpacity));
  s.overlayPosition = AnchorCodeFromList(GetComboSelection(Item(kOverlay, kOverlayPosition)));
  GetText(Item(kOverlay, kOverlayText), s.overlayText);
}

void CamSetupDlg::ReadMotionPage(CamSettings& s) const {
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

void CamSetupDlg::ReadDevicePage(CamSettings& s) const {
  for (int type = 0; type <= 2; ++type)
    if (GetCheck(Item(kDevice, kDeviceNone + type))) s.cameraType = type;
}
