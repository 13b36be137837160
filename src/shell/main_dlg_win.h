#pragma once
// The main window of the camera program: the grid of cameras, its menus,
// the tray icon, and the settings that live in the configuration file.

// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <map>
#include <memory>
#include <vector>

#include "engine/cam_wnd_win.h"
#include "framework/dialogs_win.h"
#include "shell/cam_view_dlg_win.h"
#include "shell/config_file.h"
#include "shell/config_file_win.h"
#include "shell/grid_layout.h"
#include "shell/shell_services_win.h"
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
}  // namespace main_cmd

class MainDlg : public ModelessDlg {
 public:
  explicit MainDlg(ShellServices services = {});
  ~MainDlg() override;

  INT_PTR FilterMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnInitDialog(HWND hwnd) override;
  INT_PTR OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnClose() override;

  // Makes the camera list exactly columns x rows long, adding default
  // cameras at the end or removing them from the end, then lays it out.
  void RebuildCameras();
  // Places every camera window; nothing while the window is hidden.
  void LayoutGrid();
  // The camera whose window is the current camera window: its index, or
  // kNoCurrent when that window is empty, kNotFound when no camera has it.
  static constexpr int kNoCurrent = -1;
  static constexpr int kNotFound = -2;
  int FindCurrentCamera(CamWnd** camera = nullptr) const;

  bool SaveConfig();
  ConfigLoad LoadConfig();
  // Without a configuration file: a size that shows the default cells large
  // (kFirstStartCellWidth) where the screen allows, centred on the screen.
  void PlaceForFirstStart();
  // Opens the folder the current camera (the first when none) records into,
  // made if it does not exist yet, through the shell.
  void OpenRecordingsFolder();
  void ShowAbout();
  // Hands every camera its settings and detection grid (the ones read from
  // the file, if any) and repaints it.
  void StartAllCameras();
  void ApplyWebSettings();

  const std::vector<std::unique_ptr<CamWnd>>& Cameras() const { return cameras_; }
  GridLayout& Layout() { return layout_; }
  WebSettings& Web() { return web_; }
  HWND CurrentCameraWindow() const { return currentCameraWindow_; }
  const NOTIFYICONDATAA& TrayIcon() const { return tray_; }
  Webserver& WebServer() { return webServer_; }

 private:
  void OnMouse(UINT msg);
  void OnTrayNotify(LPARAM mouseMessage);
  void AddTrayIcon();
  void NotifyTray(DWORD message);
  void ShowMenu(int menuId);
  void HideToTray();
  void Restore();
  void MoveCurrentCamera(int step);
  void RunLayoutDialog();
  void RunWebDialog();
  void RunSetupDialog();
  void DestroyLastCamera();
  // Gives every camera its number by its place in the grid.
  void NumberCameras();
  std::vector<CameraRecords> Records() const;

  using CameraList = std::vector<std::unique_ptr<CamWnd>>;

  // First, so that it goes last, after every camera it serves.
  Webserver webServer_;
  ShellServices services_;
  HWND currentCameraWindow_ = nullptr;
  NOTIFYICONDATAA tray_{};
  // Broadcast by Explorer when it (re)creates the taskbar, which forgets every icon.
  const UINT taskbarCreatedMessage_ = RegisterWindowMessageA("TaskbarCreated");
  CameraList cameras_;
  CameraListCameras<CameraList> webCameras_{cameras_, [this] {
                                              return WebGridShape{layout_.columns, layout_.rows, layout_.aspectRatio};
                                            }};
  // Each camera's pop-up view, kept beside it so that it moves with the
  // camera and outlives it (the camera closes its view when it goes).
  std::map<const CamWnd*, std::unique_ptr<CamViewDlg>> views_;
  GridLayout layout_;
  WebSettings web_;
  // Records read from the file, until StartAllCameras hands them over.
  std::vector<CameraRecords> loaded_;
};
