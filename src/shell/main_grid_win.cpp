// The main window's camera grid: the camera list, its layout, the mouse
// and menu commands on it, and the configuration file behind it.
#include <utility>

#include "engine/camera_messages.h"
#include "shell/cam_setup_dlg_win.h"
#include "shell/config_file_win.h"
#include "shell/layout_dlg_win.h"
#include "shell/main_dlg_win.h"
#include "shell/shell_sources_win.h"
#include "web/web_svr_dlg_win.h"

namespace {

// The grid's cells: "Static" controls without SS_NOTIFY, so that clicks on
// them reach the main window.
constexpr DWORD kCellStyle = WS_CHILD | WS_VISIBLE | SS_GRAYRECT;

// One factory for every camera's worker and the setup dialog's preview.
SourceFactory* CameraSources(const ShellServices& services) {
  return services.sources ? services.sources : ShellSourceFactory();
}

}  // namespace

void MainDlg::RebuildCameras() {
  const size_t wanted = static_cast<size_t>(layout_.columns) * static_cast<size_t>(layout_.rows);
  while (cameras_.size() > wanted) DestroyLastCamera();
  while (cameras_.size() < wanted) {
    CamWrk::Services workerServices;
    workerServices.sources = CameraSources(services_);
    auto camera = std::make_unique<CamWnd>(std::move(workerServices));
    HWND cell = CreateWindowExA(0, "Static", "", kCellStyle, 0, 0, 10, 10, dialog_, nullptr, GetModuleHandleA(nullptr),
                                nullptr);
    if (!cell) break;
    views_[camera.get()] = std::make_unique<CamViewDlg>([this] { return layout_.aspectRatio; });
    camera->Attach(dialog_, cell);
    cameras_.push_back(std::move(camera));
  }
  NumberCameras();
  LayoutGrid();
}

void MainDlg::NumberCameras() {
  for (size_t k = 0; k < cameras_.size(); ++k) cameras_[k]->SetNumber(static_cast<int>(k) + 1);
}

void MainDlg::DestroyLastCamera() {
  std::unique_ptr<CamWnd> camera = std::move(cameras_.back());
  cameras_.pop_back();
  if (currentCameraWindow_ == camera->Handle()) currentCameraWindow_ = nullptr;
  if (camera->Handle()) DestroyWindow(camera->Handle());
  const CamWnd* key = camera.get();
  camera.reset();
  views_.erase(key);
}

void MainDlg::LayoutGrid() {
  if (!dialog_ || !IsWindowVisible(dialog_)) return;
  RECT client{};
  GetClientRect(dialog_, &client);
  const std::vector<CellRect> cells = LayoutCells(layout_, client.right, client.bottom);
  for (size_t k = 0; k < cameras_.size() && k < cells.size(); ++k) {
    MoveWindow(cameras_[k]->Handle(), cells[k].x, cells[k].y, cells[k].width, cells[k].height, TRUE);
  }
}

int MainDlg::FindCurrentCamera(CamWnd** camera) const {
  if (!currentCameraWindow_) return kNoCurrent;
  for (size_t k = 0; k < cameras_.size(); ++k) {
    if (cameras_[k]->Handle() == currentCameraWindow_) {
      if (camera) *camera = cameras_[k].get();
      return static_cast<int>(k);
    }
  }
  return kNotFound;
}

void MainDlg::OnMouse(UINT msg) {
  POINT cursor{};
  GetCursorPos(&cursor);
  ScreenToClient(dialog_, &cursor);
  HWND under = ChildWindowFromPoint(dialog_, cursor);
  if (msg == WM_LBUTTONDBLCLK) {
    currentCameraWindow_ = under;
    CamWnd* camera = nullptr;
    if (FindCurrentCamera(&camera) >= 0) OpenView(*camera, *views_.at(camera), dialog_);
    return;
  }
  if (under && under != dialog_) {
    currentCameraWindow_ = under;
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
      if (FindCurrentCamera(&camera) >= 0) SendMessageA(camera->Worker().Handle(), camera_msg::kViewFootage, 0, 0);
      break;
    }
    case main_cmd::kLayoutSetup:
      RunLayoutDialog();
      break;
    case main_cmd::kWebSetup:
      RunWebDialog();
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
  const int index = FindCurrentCamera();
  if (index < 0) return;
  const int other = index + step;
  if (other < 0 || other >= static_cast<int>(cameras_.size())) return;
  std::swap(cameras_[static_cast<size_t>(index)], cameras_[static_cast<size_t>(other)]);
  NumberCameras();
  LayoutGrid();
  SaveConfig();
}

void MainDlg::RunSetupDialog() {
  CamWnd* camera = nullptr;
  const int index = FindCurrentCamera(&camera);
  if (index < 0) return;
  const bool confirmed = services_.setupDialog ? services_.setupDialog(dialog_, *camera, index) == 1
                                               : RunCamSetup(*camera, index, dialog_, {}, CameraSources(services_));
  if (confirmed) SaveConfig();
}

void MainDlg::RunLayoutDialog() {
  LayoutDlg dialog(layout_, services_.messageBox);
  if (dialog.Run(dialog_, kLayoutTemplate) != 1) return;
  RebuildCameras();
  SaveConfig();
}

void MainDlg::RunWebDialog() {
  WebSvrDlg dialog(web_);
  if (dialog.Run(dialog_) != 1) return;
  ApplyWebSettings();
  SaveConfig();
}

namespace {
// The web server reports through a plain function; this one forwards to
// the main window's message box while it applies the settings.
const MessageBoxFn* webMessageBox = nullptr;
int WINAPI ForwardWebMessage(HWND owner, LPCSTR text, LPCSTR title, UINT flags) {
  return ShowMessage(webMessageBox ? *webMessageBox : MessageBoxFn{}, owner, text, title, flags);
}
}  // namespace

void MainDlg::ApplyWebSettings() {
  webMessageBox = &services_.messageBox;
  ::ApplyWebSettings(webServer_, dialog_, &webCameras_, &web_, &ForwardWebMessage);
  webMessageBox = nullptr;
}

std::vector<CameraRecords> MainDlg::Records() const {
  std::vector<CameraRecords> records;
  records.reserve(cameras_.size());
  for (const auto& camera : cameras_) records.push_back({camera->Settings(), camera->Grid(), camera->Extras()});
  return records;
}

bool MainDlg::SaveConfig() {
  const std::string path = services_.configPath.empty() ? ConfigPath() : services_.configPath;
  return SaveConfigFile(path, web_, layout_, Records(), dialog_, services_.messageBox);
}

ConfigLoad MainDlg::LoadConfig() {
  const std::string path = services_.configPath.empty() ? ConfigPath() : services_.configPath;
  const RebuildForLayout rebuild = [this](const GridLayout& layout) -> std::vector<CameraRecords>& {
    layout_ = layout;
    RebuildCameras();
    loaded_ = Records();
    return loaded_;
  };
  // The program ends once its initialisation returns.
  const ConfigLoad result = LoadConfigFile(path, web_, layout_, rebuild, dialog_, services_.messageBox);
  if (result == ConfigLoad::kFailed) PostQuitMessage(0);
  return result;
}

void MainDlg::StartAllCameras() {
  for (size_t k = 0; k < cameras_.size(); ++k) {
    CamWnd& camera = *cameras_[k];
    if (k < loaded_.size()) {
      camera.SetSettings(loaded_[k].settings);
      camera.SetDetectGrid(loaded_[k].grid);
      camera.SetExtras(loaded_[k].extras);
    } else {
      camera.ApplySettings();
      camera.SetDetectGrid(camera.Grid());
    }
  }
  loaded_.clear();
}
