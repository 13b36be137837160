#pragma once
// The camera setup dialog: seven tab pages beside a live preview that shows
// the camera's raw pictures with the settings as they are being edited.
// It edits a working copy of the camera's settings and detection grid (the
// preview's own records) and hands both to the camera only on OK.
//
// The shell opens it with RunCamSetup.

#include <windows.h>

#include <functional>
#include <string>

#include "engine/cam_settings.h"
#include "engine/cam_wnd_win.h"
#include "framework/dialogs_win.h"
#include "framework/tabs_win.h"
#include "shell/setup_choosers_win.h"
#include "shell/setup_ids.h"
#include "shell/setup_pages_win.h"

// Runs the setup dialog of `camera` (titled "Camera <cameraIndex + 1>
// Setup") modally, owned by `owner`. True when it was closed with OK or
// Enter: the camera and its worker then hold the new settings and grid and
// the caller writes the configuration. False after Cancel, Esc or the
// title bar's close button: the camera keeps what it had. `sources` is
// what the preview's worker creates capture sources with. `alerts`, the
// camera's choices on the "Alerts" page, is replaced on OK too.
bool RunCamSetup(CamWnd& camera, int cameraIndex, HWND owner, SetupChoosers choosers = {},
                 SourceFactory* sources = nullptr, std::function<std::string(const CamSettings&)> fileOwner = {},
                 CameraAlerts* alerts = nullptr);

inline constexpr int kCamSetupTemplate = 103;
// The camera's slot has a new frame, whose raw picture the preview shows.
inline constexpr UINT kSetupPictureMessage = 1374;
inline constexpr UINT_PTR kSetupRefreshTimer = 10;
inline constexpr UINT kSetupRefreshMs = 250;

class CamSetupDlg : public ModalDlg {
 public:
  explicit CamSetupDlg(SetupChoosers choosers = {}, SourceFactory* sources = nullptr);
  ~CamSetupDlg() override;

  // Before Run: the camera to edit (not owned) and its grid position.
  void SetCamera(CamWnd* camera, int32_t index) {
    camera_ = camera;
    cameraIndex_ = index;
  }
  // Before Run: names the other camera that records to the file these
  // settings would record to now, or "" (OK warns about it).
  void SetFileOwnerCheck(std::function<std::string(const CamSettings&)> check) { fileOwner_ = std::move(check); }
  // Before Run: the camera's alerts (not owned), replaced on OK.
  void SetAlerts(CameraAlerts* alerts) { cameraAlerts_ = alerts; }

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

  CamWnd& Preview() { return preview_; }

 private:
  void HideSource() const;
  // Cancel, Esc and the close button: the worker is left as the camera's
  // own settings have it.
  void DropEdit();
  // From the dialog's start to its end, the camera's raw pictures come.
  void WatchCamera(HWND dialog);
  void StopWatching();
  void ShowRawPicture();
  int PageIndex(HWND page) const;
  void EditScheduleDay(int controlId);
  // False when another camera records to the working copy's file and the
  // user chose to change the path.
  bool KeepSharedFile();
  // False, with the reason shown and the field focused, when the typed
  // cool-down is out of range.
  bool AcceptAlerts();

  Tabs tabs_;
  SetupPages pages_{tabs_};
  int32_t cameraIndex_ = 0;
  int scheduleDay_ = -1;
  bool sourceChanged_ = false;
  CamWnd* camera_ = nullptr;
  PostedWake rawWake_{nullptr, kSetupPictureMessage};
  bool watching_ = false;
  SetupChoosers choosers_;
  std::function<std::string(const CamSettings&)> fileOwner_;
  CameraAlerts* cameraAlerts_ = nullptr;
  CameraAlerts alerts_;
  CamWnd preview_;
};
