#include "shell/main_dlg_win.h"

#include "common/fixed_text.h"
#include "framework/window_icon_win.h"
#include "shell/popup_menu_win.h"
#include "shell/shell_icon_win.h"

MainDlg::MainDlg(ShellServices services)
    : services_(std::move(services)), layout_(DefaultGridLayout()), web_(DefaultWebSettings()) {}

MainDlg::~MainDlg() {
  // Normally Exit has emptied the list already; a window destroyed any
  // other way still stops every worker here.
  while (!cameras_.empty()) DestroyLastCamera();
  if (tray_.hWnd) NotifyTray(NIM_DELETE);
}

INT_PTR MainDlg::OnInitDialog(HWND hwnd) {
  SetWindowIcons(hwnd, kShellIcon);

  tray_.cbSize = sizeof tray_;
  tray_.hWnd = hwnd;
  tray_.uID = 0;
  tray_.uCallbackMessage = kTrayNotifyMessage;
  tray_.hIcon = LoadWindowIcon(kShellIcon, true);
  CopyText(tray_.szTip, "Vorrandale");
  AddTrayIcon();

  layout_ = DefaultGridLayout();
  web_ = DefaultWebSettings();
  RebuildCameras();
  if (LoadConfig() == ConfigLoad::kMissing) PlaceForFirstStart();
  StartAllCameras();
  ApplyWebSettings();
  return 1;
}

INT_PTR MainDlg::FilterMessage(HWND, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == taskbarCreatedMessage_) {
    if (tray_.hWnd) AddTrayIcon();
    return 0;
  }
  switch (msg) {
    case WM_SIZE:
      LayoutGrid();
      return 0;
    case WM_WINDOWPOSCHANGED:
      // The grid is not laid out while hidden: catch up once it is shown.
      if (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_SHOWWINDOW) LayoutGrid();
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) != SC_CLOSE) return 0;
      HideToTray();
      return 1;
    case WM_RBUTTONUP:
    case WM_LBUTTONDBLCLK:
      OnMouse(msg);
      return 0;
    case kTrayNotifyMessage:
      OnTrayNotify(lParam);
      return 0;
    default:
      return 0;
  }
}

void MainDlg::HideToTray() {
  ShowWindow(dialog_, SW_HIDE);
  tray_.uFlags = NIF_INFO;
  tray_.uTimeout = 5000;
  tray_.dwInfoFlags = NIIF_INFO;
  CopyText(tray_.szInfoTitle, "Still Running");
  CopyText(tray_.szInfo, "Vorrandale is Still Running\nin the System Tray");
  NotifyTray(NIM_MODIFY);
}

void MainDlg::AddTrayIcon() {
  tray_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  NotifyTray(NIM_ADD);
}

void MainDlg::NotifyTray(DWORD message) {
  if (services_.notifyIcon)
    services_.notifyIcon(message, &tray_);
  else
    Shell_NotifyIconA(message, &tray_);
}

void MainDlg::OnTrayNotify(LPARAM mouseMessage) {
  if (mouseMessage == WM_LBUTTONDBLCLK) PostMessageA(dialog_, WM_COMMAND, main_cmd::kRestore, 0);
  if (mouseMessage == WM_RBUTTONUP) ShowMenu(kTrayMenu);
}

void MainDlg::ShowMenu(int menuId) {
  if (services_.popup)
    services_.popup(dialog_, menuId);
  else
    PopupMenu(dialog_, menuId);
}

void MainDlg::Restore() {
  if (IsIconic(dialog_)) ShowWindow(dialog_, SW_RESTORE);
  ShowWindow(dialog_, SW_SHOW);
  SetForegroundWindow(dialog_);
}

INT_PTR MainDlg::OnClose() {
  // One by one: each camera waits for its own worker to end.
  for (auto& camera : cameras_) {
    DestroyWindow(camera->Handle());
    const CamWnd* key = camera.get();
    camera.reset();
    views_.erase(key);
  }
  cameras_.clear();
  NotifyTray(NIM_DELETE);
  tray_.hWnd = nullptr;
  if (owner_) PostMessageA(owner_, WM_CLOSE, 0, 0);
  return 1;
}
