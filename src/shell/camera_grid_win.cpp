#include "shell/camera_grid_win.h"

#include <utility>

#include "common/clock.h"
#include "common/fixed_text.h"
#include "engine/camera_paths.h"
#include "engine/save_path.h"

CameraGrid::~CameraGrid() {
  while (!cameras_.empty()) DestroyLast();
}

void CameraGrid::Rebuild() {
  const size_t wanted = static_cast<size_t>(layout_.columns) * static_cast<size_t>(layout_.rows);
  while (cameras_.size() > wanted) DestroyLast();
  while (cameras_.size() < wanted) {
    CamWrk::Services workerServices;
    workerServices.sources = sources_;
    auto camera = std::make_unique<CamWnd>(std::move(workerServices));
    // Clicks on a cell reach the host.
    if (!camera->CreateCell(host_, RECT{0, 0, 10, 10}, 0, false)) break;
    views_[camera.get()] = std::make_unique<CamViewDlg>([this] { return layout_.aspectRatio; });
    cameras_.push_back(std::move(camera));
  }
  Number();
  Layout();
}

void CameraGrid::Number() {
  for (size_t k = 0; k < cameras_.size(); ++k) cameras_[k]->SetNumber(static_cast<int>(k) + 1);
}

void CameraGrid::DestroyLast() {
  std::unique_ptr<CamWnd> camera = std::move(cameras_.back());
  cameras_.pop_back();
  if (currentWindow_ == camera->Handle()) currentWindow_ = nullptr;
  if (camera->Handle()) DestroyWindow(camera->Handle());
  const CamWnd* key = camera.get();
  camera.reset();
  views_.erase(key);
  alerts_.erase(key);
}

void CameraGrid::CloseAll() {
  for (auto& camera : cameras_) {
    DestroyWindow(camera->Handle());
    const CamWnd* key = camera.get();
    camera.reset();
    views_.erase(key);
    alerts_.erase(key);
  }
  cameras_.clear();
}

void CameraGrid::Layout() const {
  if (!host_ || !IsWindowVisible(host_)) return;
  RECT client{};
  GetClientRect(host_, &client);
  const std::vector<CellRect> cells = LayoutCells(layout_, client.right, client.bottom);
  for (size_t k = 0; k < cameras_.size() && k < cells.size(); ++k) {
    MoveWindow(cameras_[k]->Handle(), cells[k].x, cells[k].y, cells[k].width, cells[k].height, TRUE);
  }
}

std::string CameraGrid::RecorderOf(const CamSettings& settings, const CamWnd* except) const {
  char path[kTextSize], other[kTextSize];
  if (ExpandSavePath(TextView(settings.savePath), DefaultClock(), path) != ExpandResult::kOk) return {};
  for (const auto& camera : cameras_) {
    const CamSettings& s = camera->Settings();
    if (camera.get() == except || !s.recordEnabled || s.cameraType == kNoCamera) continue;
    if (ExpandSavePath(TextView(s.savePath), DefaultClock(), other) == ExpandResult::kOk &&
        SameRecordingFile(path, other))
      return camera->Name();
  }
  return {};
}

int CameraGrid::FindCurrent(CamWnd** camera) const {
  if (!currentWindow_) return kNoCurrent;
  for (size_t k = 0; k < cameras_.size(); ++k) {
    if (cameras_[k]->Handle() == currentWindow_) {
      if (camera) *camera = cameras_[k].get();
      return static_cast<int>(k);
    }
  }
  return kNotFound;
}

bool CameraGrid::MoveCurrent(int step) {
  const int index = FindCurrent();
  if (index < 0) return false;
  const int other = index + step;
  if (other < 0 || other >= static_cast<int>(cameras_.size())) return false;
  std::swap(cameras_[static_cast<size_t>(index)], cameras_[static_cast<size_t>(other)]);
  Number();
  Layout();
  return true;
}

const CameraAlerts& CameraGrid::Alerts(const CamWnd& camera) const {
  static const CameraAlerts kNone;
  const auto found = alerts_.find(&camera);
  return found == alerts_.end() ? kNone : found->second;
}

void CameraGrid::OpenCurrentView() {
  CamWnd* camera = nullptr;
  if (FindCurrent(&camera) >= 0) OpenView(*camera, *views_.at(camera), host_);
}

std::vector<CameraRecords> CameraGrid::Records() const {
  std::vector<CameraRecords> records;
  records.reserve(cameras_.size());
  for (const auto& camera : cameras_)
    records.push_back(
        {camera->Settings(), camera->Grid(), camera->Extras(), camera->Identity(), camera->Second(), Alerts(*camera)});
  return records;
}

void CameraGrid::Start(const std::vector<CameraRecords>& records) {
  for (size_t k = 0; k < cameras_.size(); ++k) {
    CamWnd& camera = *cameras_[k];
    if (k < records.size()) {
      camera.SetSettings(records[k].settings);
      camera.SetDetectGrid(records[k].grid);
      camera.SetExtras(records[k].extras);
      camera.SetIdentity(records[k].identity);
      camera.SetSecondStream(records[k].second);
      alerts_[&camera] = records[k].alerts;
    } else {
      camera.ApplySettings();
      camera.SetDetectGrid(camera.Grid());
    }
  }
}
