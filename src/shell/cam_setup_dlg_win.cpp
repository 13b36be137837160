#include "shell/cam_setup_dlg_win.h"

#include <commctrl.h>

#include "common/fixed_text.h"
#include "framework/window_icon_win.h"
#include "shell/setup_text.h"

using namespace setup_id;

bool RunCamSetup(CamWnd& camera, int cameraIndex, HWND owner, SetupChoosers choosers, SourceFactory* sources,
                 std::function<std::string(const CamSettings&)> fileOwner, CameraAlerts* alerts) {
  // The template holds a tab control and time pickers.
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_TAB_CLASSES | ICC_DATE_CLASSES};
  InitCommonControlsEx(&classes);
  CamSetupDlg dialog(std::move(choosers), sources);
  dialog.SetCamera(&camera, cameraIndex);
  dialog.SetFileOwnerCheck(std::move(fileOwner));
  dialog.SetAlerts(alerts);
  return dialog.Run(owner, kCamSetupTemplate) == IDOK;
}

namespace {

CamWrk::Services PreviewServices(SourceFactory* sources) {
  CamWrk::Services services;
  services.sources = sources;
  return services;
}

}  // namespace

CamSetupDlg::CamSetupDlg(SetupChoosers choosers, SourceFactory* sources)
    : choosers_(std::move(choosers)), preview_(PreviewServices(sources)) {}

CamSetupDlg::~CamSetupDlg() {
  StopWatching();
}

void CamSetupDlg::WatchCamera(HWND dialog) {
  if (!camera_) return;
  rawWake_.SetWindow(dialog);
  camera_->Worker().Slot()->Subscribe(rawWake_, {.raw = true});
  watching_ = true;
}

void CamSetupDlg::StopWatching() {
  if (watching_) camera_->Worker().Slot()->Unsubscribe(rawWake_);
  watching_ = false;
}

void CamSetupDlg::ShowRawPicture() {
  rawWake_.Rearm();
  if (!watching_) return;
  const SharedFrame frame = camera_->Worker().Slot()->Latest();
  if (!frame) return;
  if (frame->raw)
    preview_.SetPicture(frame->raw->pixels.data(), frame->raw->pictureInfo, false);
  else if (!frame->picture.HasPixels())
    preview_.SetPicture(nullptr, PictureInfo{}, false);
  // A picture taken before the worker knew of the dialog has no raw copy.
}

void CamSetupDlg::HideSource() const {
  if (camera_) camera_->Worker().HideSource();
}

INT_PTR CamSetupDlg::OnInitDialog(HWND hwnd) {
  SetWindowIcons(hwnd, kIcon);

  preview_.ReplaceControl(GetDlgItem(hwnd, kPreview), true);
  SetTimer(hwnd, kSetupRefreshTimer, kSetupRefreshMs, nullptr);

  char title[64];
  FormatText(title, sizeof title, "Camera %d Setup", static_cast<int>(cameraIndex_) + 1);
  SetWindowTextA(hwnd, title);

  tabs_.Init(hwnd, GetDlgItem(hwnd, kTabControl));
  for (int page = 0; page < kPageCount; ++page) tabs_.AddPage(page, kFirstPageTemplate + page);
  tabs_.ShowPage(0);

  pages_.FillLists();
  EnableWindow(tabs_.GetPageItem(kAlerts, kAlertServers), choosers_.alertServers != nullptr);

  InitControls();
  WatchCamera(hwnd);
  return 1;
}

INT_PTR CamSetupDlg::FilterMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  tabs_.OnNotify(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_CLOSE:
      DropEdit();  // the base then ends the dialog as cancelled
      break;
    case WM_TIMER:
      if (wParam == kSetupRefreshTimer) ReadControls();
      break;
    case WM_TABPAGE_COMMAND:
      OnPageCommand(reinterpret_cast<HWND>(lParam), static_cast<int>(wParam));
      break;
    case kSetupPictureMessage:
      ShowRawPicture();
      break;
    default:
      break;
  }
  return 0;
}

INT_PTR CamSetupDlg::OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) != 0) return 1;
  // Enter on a focused page button reaches the dialog under that button's
  // id, which the pages share with OK and Cancel: press the button itself
  // rather than close the dialog.
  HWND control = reinterpret_cast<HWND>(lParam);
  if (control && control == GetFocus() && GetParent(control) != hwnd && IsChild(tabs_.TabControl(), control)) {
    OnPageCommand(GetParent(control), LOWORD(wParam));
    return 1;
  }
  switch (LOWORD(wParam)) {
    case IDOK:
    case kOk:
      if (!AcceptAlerts() || !KeepSharedFile()) break;
      HideSource();
      Apply();
      EndDialog(hwnd, IDOK);
      break;
    case IDCANCEL:
    case kCancel:
      DropEdit();
      EndDialog(hwnd, IDCANCEL);
      break;
    default:
      break;
  }
  return 1;
}

bool CamSetupDlg::KeepSharedFile() {
  ReadControls();
  const CamSettings& working = preview_.Settings();
  if (!fileOwner_ || !working.recordEnabled || working.cameraType == kNoCamera) return true;
  const std::string owner = fileOwner_(working);
  if (owner.empty()) return true;
  const std::string text =
      owner + " already records to this file.\n\nOnly one camera can record to a file. Keep this path anyway?";
  if (!choosers_.confirm || choosers_.confirm(dialog_, text.c_str())) return true;
  pages_.Focus(kRecording, kSavePath);
  return false;
}

bool CamSetupDlg::AcceptAlerts() {
  ReadControls();
  if (ClampCameraAlerts(alerts_).coolDownSeconds == alerts_.coolDownSeconds) return true;
  if (choosers_.refuse) choosers_.refuse(dialog_, "The cool-down must be a number of seconds from 0 to 86400.");
  pages_.Focus(kAlerts, kAlertCoolDown);
  return false;
}

void CamSetupDlg::DropEdit() {
  HideSource();
  StopWatching();
  // The device radios switch the worker's source at once; dropping the
  // edit must also put back the source the camera's settings name.
  if (sourceChanged_ && camera_) camera_->ApplySettings();
}

void CamSetupDlg::Apply() {
  ReadControls();
  CamSettings& working = preview_.EditableSettings();
  working.editDetectGrid = 0;
  if (camera_) {
    camera_->SetDetectGrid(preview_.Grid());
    working = camera_->Worker().ReadSources(working);
    camera_->SetSettings(working);
    camera_->SetExtras(preview_.Extras());
    camera_->SetIdentity(preview_.Identity());
    camera_->SetSecondStream(camera_->Worker().ReadSecondStream(camera_->Second()));
  }
  if (cameraAlerts_) *cameraAlerts_ = alerts_;
  StopWatching();
}

int CamSetupDlg::PageIndex(HWND page) const {
  for (int i = 0; i < kPageCount; ++i)
    if (tabs_.GetPage(i) == page) return i;
  return -1;
}

void CamSetupDlg::EditScheduleDay(int controlId) {
  scheduleDay_ = ScheduleDayForControl(controlId);
  pages_.ShowScheduleDay(preview_.Settings(), scheduleDay_);
}

void CamSetupDlg::InitControls() {
  if (camera_) {
    preview_.EditableSettings() = camera_->Settings();
    preview_.EditableGrid() = camera_->Grid();
    preview_.EditableExtras() = camera_->Extras();
    preview_.EditableIdentity() = camera_->Identity();
  }
  if (cameraAlerts_) alerts_ = *cameraAlerts_;
  // Grid editing starts off, in the preview as on its box.
  preview_.EditableSettings().editDetectGrid = 0;
  pages_.Show(preview_.Settings(), preview_.Extras(), preview_.Identity(), cameraIndex_ + 1, alerts_);
}

void CamSetupDlg::ReadControls() {
  pages_.Read(preview_.EditableSettings(), scheduleDay_);
  preview_.EditableExtras() = pages_.ReadExtras();
  preview_.EditableIdentity() = pages_.ReadIdentity(cameraIndex_ + 1);
  alerts_ = pages_.ReadAlerts();
  if (preview_.Handle())
    RedrawWindow(preview_.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_NOCHILDREN | RDW_UPDATENOW | RDW_FRAME);
}

void CamSetupDlg::OnPageCommand(HWND page, int controlId) {
  CamSettings& s = preview_.EditableSettings();
  HWND owner = dialog_;
  switch (PageIndex(page)) {
    case kRecording:
      if (controlId == kSaveMjpeg || controlId == kSaveJpeg) pages_.SetPathExtension(controlId == kSaveMjpeg);
      break;
    case kSchedule:
      if (ScheduleDayForControl(controlId) >= 0) {
        // The pickers still show the day edited so far: keep it before
        // they are loaded with the new one.
        pages_.ReadSchedule(s, scheduleDay_);
        EditScheduleDay(controlId);
      }
      break;
    case kOverlay:
      if (controlId == kOverlayBackColor && choosers_.color) choosers_.color(owner, s.overlayBackColor);
      if (controlId == kOverlayFont && choosers_.font) choosers_.font(owner, s.overlayFont, s.overlayTextColor);
      break;
    case kMotion:
      if (controlId == kDetectRectColor && choosers_.color) choosers_.color(owner, s.detectRectColor);
      if (controlId == kInfoFont && choosers_.font) choosers_.font(owner, s.infoFont, s.infoTextColor);
      if (controlId == kInfoBackColor && choosers_.color) choosers_.color(owner, s.infoBackColor);
      break;
    case kAlerts:
      if (controlId == kAlertServers && choosers_.alertServers) choosers_.alertServers(owner);
      break;
    case kDevice:
      if (controlId >= kDeviceNone && controlId <= kDeviceCapture) {
        if (controlId != kDeviceNone) pages_.GiveOwnPath(cameraIndex_ + 1);
        if (camera_) camera_->Worker().SelectSource(controlId - kDeviceNone);
        sourceChanged_ = true;
      }
      break;
    default:
      break;
  }
}
