#pragma once
// The camera setup dialog: six tab pages beside a live preview that shows
// the camera's raw pictures with the settings as they are being edited.
// It edits a working copy of the camera's settings and detection grid (the
// preview's own records) and hands both to the camera only on OK.
//
// The shell opens it with RunCamSetup.

#include <windows.h>

#include "engine/cam_settings.h"
#include "engine/cam_wnd_win.h"
#include "framework/dialogs_win.h"
#include "framework/tabs_win.h"
#include "shell/setup_choosers_win.h"

// Runs the setup dialog of `camera` (titled "Camera <cameraIndex + 1>
// Setup") modally, owned by `owner`. True when it was closed with OK or
// Enter: the camera and its worker then hold the new settings and grid and
// the caller writes the configuration. False after Cancel, Esc or the
// title bar's close button: the camera keeps what it had. `sources` is
// what the preview's worker creates capture sources with.
bool RunCamSetup(CamWnd& camera, int cameraIndex, HWND owner, SetupChoosers choosers = {},
                 SourceFactory* sources = nullptr);

inline constexpr int kCamSetupTemplate = 103;
// The raw picture the camera's worker sends the dialog for its preview:
// wParam pixels (or 0), lParam the picture's PictureInfo.
inline constexpr UINT kSetupPictureMessage = 1374;
inline constexpr UINT_PTR kSetupRefreshTimer = 10;
inline constexpr UINT kSetupRefreshMs = 250;

namespace setup_id {
inline constexpr int kTabControl = 1080;
inline constexpr int kPreview = 1021;
inline constexpr int kCancel = 1051;
inline constexpr int kOk = 1052;
inline constexpr int kIcon = 199;

// Page indexes, in tab order; templates 1001 to 1006.
enum Page { kRecording = 0, kSchedule, kModify, kOverlay, kMotion, kDevice, kPageCount };
inline constexpr int kFirstPageTemplate = 1001;

// Recording page.
inline constexpr int kRecordEnabled = 1010, kCleanDirectory = 1011, kSaveInterval = 1041, kSavePath = 1042,
                     kMaxJpegCount = 1043, kSaveMjpeg = 1070, kSaveJpeg = 1071;
// Recording page, the values kept beside the camera's settings (0 = none).
inline constexpr int kPreMotionFrames = 1044, kKeepMegabytes = 1045, kKeepDays = 1046;
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
}  // namespace setup_id

class CamSetupDlg : public ModalDlg {
 public:
  explicit CamSetupDlg(SetupChoosers choosers = {}, SourceFactory* sources = nullptr);
  ~CamSetupDlg() override = default;

  // Before Run: the camera to edit (not owned) and its grid position.
  void SetCamera(CamWnd* camera, int32_t index) {
    camera_ = camera;
    cameraIndex_ = index;
  }

  INT_PTR FilterMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnInitDialog(HWND hwnd) override;
  INT_PTR OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) override;

  // Working copy -> every control.
  void InitControls();
  // Every control -> working copy, then the preview repaints with it.
  void ReadControls();
  void OnPageCommand(HWND page, int controlId);
  // Hands the working copy to the camera and its worker.
  void Apply();

  const CamSettings& Working() const { return preview_.Settings(); }
  const DetectGrid& WorkingGrid() const { return preview_.Grid(); }
  const RecordingExtras& WorkingExtras() const { return preview_.Extras(); }
  CamWnd& Preview() { return preview_; }
  const Tabs& Pages() const { return tabs_; }
  int ScheduleDay() const { return scheduleDay_; }

 private:
  LRESULT SendToWorker(UINT msg, WPARAM wParam, LPARAM lParam) const;
  // Cancel, Esc and the close button: the worker is left as the camera's
  // own settings have it.
  void DropEdit();
  int PageIndex(HWND page) const;
  HWND Item(int page, int controlId) const { return tabs_.GetPageItem(page, controlId); }
  void SetPathExtensionFromButton(bool mjpeg) const;
  void EditScheduleDay(int controlId);
  void InitRecordingPage(const CamSettings& s) const;
  void InitSchedulePage(const CamSettings& s) const;
  void InitModifyPage(const CamSettings& s) const;
  void InitOverlayPage(const CamSettings& s) const;
  void InitMotionPage(const CamSettings& s) const;
  void ReadRecordingPage(CamSettings& s) const;
  void ReadSchedulePage(CamSettings& s) const;
  void ReadModifyPage(CamSettings& s) const;
  void ReadOverlayPage(CamSettings& s) const;
  void ReadMotionPage(CamSettings& s) const;
  void ReadDevicePage(CamSettings& s) const;
  void InitRecordingExtras() const;
  void ReadRecordingExtras();

  Tabs tabs_;
  int32_t cameraIndex_ = 0;
  int scheduleDay_ = -1;
  bool sourceChanged_ = false;
  CamWnd* camera_ = nullptr;
  SetupChoosers choosers_;
  CamWnd preview_;
};
