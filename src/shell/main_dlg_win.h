#pragma once
// The main window of the camera program: it hosts the camera grid, answers
// its menus and the tray icon's clicks, and keeps the settings that live in
// the configuration file.

#include <windows.h>

#include "engine/cam_wnd_win.h"
#include "framework/dialogs_win.h"
#include "shell/camera_grid_win.h"
#include "shell/config_file.h"
#include "shell/config_file_win.h"
#include "shell/grid_layout.h"
#include "shell/program_events_win.h"
#include "shell/shell_services_win.h"
#include "shell/tray_icon_win.h"
#include "web/web_cameras.h"
#include "web/web_settings.h"
#include "web/webserver_win.h"

inline constexpr int kMainTemplate = 101;
inline constexpr int kBackgroundMenu = 150;
inline constexpr int kCameraMenu = 151;
inline constexpr int kTrayMenu = 152;
inline constexpr UINT kAppRestoreMessage = WM_USER + 201;  // 1225, second instance -> application window
inline constexpr UINT kTrayNotifyMessage = WM_USER + 344;  // 1368, shell -> main window

namespace main_cmd {
inline constexpr int kSetupCamera = 160;
inline constexpr int kViewFootage = 161;
inline constexpr int kLayoutSetup = 162;
inline constexpr int kWebSetup = 163;
inline constexpr int kMoveRight = 164;
inline constexpr int kMoveLeft = 165;
inline constexpr int kNothing = 166;
inline constexpr int kRestore = 167;
inline constexpr int kExit = 168;
inline constexpr int kOpenRecordings = 172;
inline constexpr int kAbout = 173;
inline constexpr int kAlertSetup = 174;
}  // namespace main_cmd

class MainDlg : public ModelessDlg {
 public:
  explicit MainDlg(ShellServices services = {});

  INT_PTR FilterMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnInitDialog(HWND hwnd) override;
  INT_PTR OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnClose() override;

  bool SaveConfig();
  // Reads the configuration file and hands every camera its records from it
  // (its own settings again where the file has none).
  ConfigLoad LoadConfig();
  // Without a configuration file: a size that shows the default cells large
  // (kFirstStartCellWidth) where the screen allows, centred on the screen.
  void PlaceForFirstStart();
  // Opens the folder the current camera (the first when none) records into,
  // made if it does not exist yet, through the shell.
  void OpenRecordingsFolder();
  void ShowAbout();
  void ApplyWebSettings();

  const CameraGrid::CameraList& Cameras() const { return grid_.Cameras(); }
  // Who is told of events: the program-wide servers, each camera's choices.
  const AlertServers& Servers() const { return alertServers_; }
  const CameraAlerts& Alerts(const CamWnd& camera) const { return grid_.Alerts(camera); }

 private:
  void OnMouse(UINT msg);
  void OnTrayNotify(LPARAM mouseMessage);
  void ShowMenu(int menuId);
  void HideToTray();
  void Restore();
  void MoveCurrentCamera(int step);
  void RunLayoutDialog();
  void RunWebDialog();
  void RunSetupDialog();
  // Stores and saves the servers on OK; also from the camera setup's button.
  void RunAlertServersDialog(HWND owner);
  // The event log follows the cameras and the alert servers as they are now.
  void ApplyEvents();

  // First, so that it goes last, after every camera it serves.
  Webserver webServer_;
  // Sends plain HTTP on to webServer_ when it serves HTTPS and the user
  // asked for it; its settings are web_'s with its own port.
  Webserver redirectServer_;
  WebSettings redirectSettings_;
  ShellServices services_;
  GridLayout layout_;
  WebSettings web_;
  WebSecurity webSecurity_;
  AlertServers alertServers_;
  std::string webFingerprint_;  // of the certificate the server shows, "" without HTTPS
  // Before the grid, so that the cameras go first, as before the icon.
  SystemTrayIcon tray_;
  CameraGrid grid_;
  // What the About box says about a damaged settings file at start-up.
  std::string settingsNote_;
  CameraListCameras<CameraGrid::CameraList> webCameras_{
      grid_.Cameras(), [this] {
        return WebGridShape{layout_.columns, layout_.rows, layout_.aspectRatio};
      }};
  // Last, so that it stops before the cameras it follows go.
  std::unique_ptr<ProgramEvents> events_;
};
