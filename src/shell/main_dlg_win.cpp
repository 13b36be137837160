#include "shell/main_dlg_win.h"

#include "framework/window_icon_win.h"
#include "shell/alert_servers_dlg_win.h"
#include "shell/cam_setup_dlg_win.h"
#include "shell/layout_dlg_win.h"
#include "shell/popup_menu_win.h"
#include "shell/shell_icon_win.h"
#include "shell/shell_sources_win.h"
#include "web/web_certificate_win.h"
#include "web/web_svr_dlg_win.h"

namespace {

// One factory for every camera's worker and the setup dialog's preview.
SourceFactory* CameraSources(const ShellServices& services) {
  return services.sources ? services.sources : ShellSourceFactory();
}

// The web server reports through a plain function; this one forwards to
// the main window's message box while it applies the settings.
const MessageBoxFn* webMessageBox = nullptr;
int WINAPI ForwardWebMessage(HWND owner, LPCSTR text, LPCSTR title, UINT flags) {
  return ShowMessage(webMessageBox ? *webMessageBox : MessageBoxFn{}, owner, text, title, flags);
}

}  // namespace

MainDlg::MainDlg(ShellServices services)
    : services_(std::move(services)),
      layout_(DefaultGridLayout()),
      web_(DefaultWebSettings()),
      tray_(services_.notifyIcon),
      grid_(layout_, CameraSources(services_)) {}

INT_PTR MainDlg::OnInitDialog(HWND hwnd) {
  SetWindowIcons(hwnd, kShellIcon);
  tray_.Add(hwnd, kTrayNotifyMessage, LoadWindowIcon(kShellIcon, true), "Vorrandale");

  layout_ = DefaultGridLayout();
  web_ = DefaultWebSettings();
  grid_.SetHost(hwnd);
  grid_.Rebuild();
  if (LoadConfig() == ConfigLoad::kMissing) PlaceForFirstStart();
  ApplyWebSettings();
  ApplyEvents();
  return 1;
}

INT_PTR MainDlg::FilterMessage(HWND, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (tray_.OnTaskbarCreated(msg)) return 0;
  switch (msg) {
    case WM_SIZE:
      grid_.Layout();
      return 0;
    case WM_WINDOWPOSCHANGED:
      // The grid is not laid out while hidden: catch up once it is shown.
      if (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_SHOWWINDOW) grid_.Layout();
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
  tray_.ShowBalloon("Still Running", "Vorrandale is Still Running\nin the System Tray");
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
  grid_.CloseAll();
  tray_.Remove();
  if (owner_) PostMessageA(owner_, WM_CLOSE, 0, 0);
  return 1;
}

void MainDlg::OnMouse(UINT msg) {
  POINT cursor{};
  GetCursorPos(&cursor);
  ScreenToClient(dialog_, &cursor);
  HWND under = ChildWindowFromPoint(dialog_, cursor);
  if (msg == WM_LBUTTONDBLCLK) {
    grid_.SetCurrentWindow(under);
    grid_.OpenCurrentView();
    return;
  }
  if (under && under != dialog_) {
    grid_.SetCurrentWindow(under);
    ShowMenu(kCameraMenu);
  } else {
    ShowMenu(kBackgroundMenu);
  }
}

INT_PTR MainDlg::OnCommand(HWND, WPARAM wParam, LPARAM) {
  if (HIWORD(wParam) != 0) return 1;
  switch (LOWORD(wParam)) {
    case main_cmd::kSetupCamera:
      RunSetupDialog();
      break;
    case main_cmd::kViewFootage: {
      CamWnd* camera = nullptr;
      if (grid_.FindCurrent(&camera) >= 0) camera->Worker().ViewFootage();
      break;
    }
    case main_cmd::kLayoutSetup:
      RunLayoutDialog();
      break;
    case main_cmd::kWebSetup:
      RunWebDialog();
      break;
    case main_cmd::kAlertSetup:
      RunAlertServersDialog(dialog_);
      break;
    case main_cmd::kMoveRight:
      MoveCurrentCamera(1);
      break;
    case main_cmd::kMoveLeft:
      MoveCurrentCamera(-1);
      break;
    case main_cmd::kRestore:
      Restore();
      break;
    case main_cmd::kExit:
      PostMessageA(dialog_, WM_CLOSE, 0, 0);
      break;
    case main_cmd::kOpenRecordings:
      OpenRecordingsFolder();
      break;
    case main_cmd::kAbout:
      ShowAbout();
      break;
    default:
      break;
  }
  return 1;
}

void MainDlg::MoveCurrentCamera(int step) {
  if (grid_.MoveCurrent(step)) SaveConfig();
}

void MainDlg::RunSetupDialog() {
  CamWnd* camera = nullptr;
  const int index = grid_.FindCurrent(&camera);
  if (index < 0) return;
  SetupChoosers choosers;
  choosers.alertServers = [this](HWND owner) { RunAlertServersDialog(owner); };
  const bool confirmed =
      services_.setupDialog
          ? services_.setupDialog(dialog_, *camera, index) == 1
          : RunCamSetup(
                *camera, index, dialog_, std::move(choosers), CameraSources(services_),
                [this, camera](const CamSettings& settings) { return grid_.RecorderOf(settings, camera); },
                &grid_.EditableAlerts(*camera));
  if (confirmed) SaveConfig();
}

void MainDlg::RunAlertServersDialog(HWND owner) {
  AlertServersDlg dialog(alertServers_, services_.messageBox);
  if (dialog.Run(owner) == 1) SaveConfig();
}

void MainDlg::RunLayoutDialog() {
  LayoutDlg dialog(layout_, services_.messageBox);
  if (dialog.Run(dialog_, kLayoutTemplate) != 1) return;
  grid_.Rebuild();
  SaveConfig();
}

void MainDlg::RunWebDialog() {
  WebSvrDlg dialog(web_);
  std::string status;
  if (!webFingerprint_.empty())
    status = "https://localhost:" + std::to_string(web_.listenPort) + "/\nThe certificate's SHA-256 fingerprint:\n" +
             webFingerprint_;
  dialog.EditSecurity(webSecurity_, status);
  if (dialog.Run(dialog_) != 1) return;
  ApplyWebSettings();
  SaveConfig();
}

void MainDlg::ApplyWebSettings() {
  webMessageBox = &services_.messageBox;
  const uint32_t bindAddress = webSecurity_.localOnly ? INADDR_LOOPBACK : INADDR_ANY;
  webServer_.SetBindAddress(bindAddress);
  webFingerprint_.clear();
  std::shared_ptr<TlsConfig> tls;
  if (web_.webEnabled && webSecurity_.useHttps) {
    std::string error;
    const std::string configPath = services_.configPath.empty() ? ConfigPath() : services_.configPath;
    tls = LoadWebTls(webSecurity_, configPath.substr(0, configPath.find_last_of('.')), error);
    if (!tls) {
      // Never clear text in place of the HTTPS the user chose.
      webServer_.Stop();
      redirectServer_.Stop();
      ShowMessage(services_.messageBox, dialog_, ("The web server is off: HTTPS cannot start.\n\n" + error).c_str(),
                  "Vorrandale Error", kErrorBoxFlags);
      webMessageBox = nullptr;
      return;
    }
    webFingerprint_ = tls->Fingerprint();
  }
  webServer_.SetTls(std::move(tls));
  ::ApplyWebSettings(webServer_, dialog_, &webCameras_, &web_, &ForwardWebMessage);
  redirectSettings_ = web_;
  redirectSettings_.webEnabled = webServer_.IsListening() && webServer_.UsesTls() && webSecurity_.redirectHttp;
  redirectSettings_.listenPort = static_cast<uint16_t>(webSecurity_.redirectPort);
  redirectServer_.SetBindAddress(bindAddress);
  redirectServer_.SetHttpsRedirect(web_.listenPort);
  ::ApplyWebSettings(redirectServer_, dialog_, nullptr, &redirectSettings_, &ForwardWebMessage);
  webMessageBox = nullptr;
}
