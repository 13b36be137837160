#pragma once
// The main window's camera grid: one camera window per cell of the layout,
// each with its pop-up view, numbered by its place, laid out in the host's
// client area, and the camera the user last clicked (the current one).

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/cam_wnd_win.h"
#include "shell/cam_view_dlg_win.h"
#include "shell/config_file.h"
#include "shell/grid_layout.h"

class CameraGrid {
 public:
  using CameraList = std::vector<std::unique_ptr<CamWnd>>;
  // FindCurrent without a current camera, or with one no camera has.
  static constexpr int kNoCurrent = -1;
  static constexpr int kNotFound = -2;

  // The layout is read at every rebuild and layout; the views' aspect too.
  CameraGrid(const GridLayout& layout, SourceFactory* sources) : layout_(layout), sources_(sources) {}
  // Stops every camera's worker, one by one.
  ~CameraGrid();
  CameraGrid(const CameraGrid&) = delete;
  CameraGrid& operator=(const CameraGrid&) = delete;

  // The window whose children the cells are; before the first Rebuild.
  void SetHost(HWND host) { host_ = host; }
  // Makes the list exactly columns x rows long, adding default cameras at
  // the end or removing them from the end, then lays it out.
  void Rebuild();
  // Places every camera window; nothing while the host is hidden.
  void Layout() const;
  // Hands every camera its records (the first records.size() cameras) or
  // its own settings and grid again, and repaints it.
  void Start(const std::vector<CameraRecords>& records);
  std::vector<CameraRecords> Records() const;
  // Destroys every camera, one by one: each waits for its own worker.
  void CloseAll();

  void SetCurrentWindow(HWND window) { currentWindow_ = window; }
  // The current camera's index, or kNoCurrent or kNotFound.
  int FindCurrent(CamWnd** camera = nullptr) const;
  // Swaps the current camera with the one `step` places on; false when
  // either is missing.
  bool MoveCurrent(int step);
  // Opens the current camera's pop-up view, if there is a current camera.
  void OpenCurrentView();

  const CameraList& Cameras() const { return cameras_; }
  // A camera's choices on its "Alerts" page; they move and go with it.
  const CameraAlerts& Alerts(const CamWnd& camera) const;
  CameraAlerts& EditableAlerts(const CamWnd& camera) { return alerts_[&camera]; }
  // The name of a camera other than `except` that records (recording on,
  // with a source) to the file `settings` name at this moment; "" when
  // none does.
  std::string RecorderOf(const CamSettings& settings, const CamWnd* except) const;

 private:
  // Gives every camera its number by its place in the grid.
  void Number();
  void DestroyLast();

  const GridLayout& layout_;
  SourceFactory* sources_;
  HWND host_ = nullptr;
  HWND currentWindow_ = nullptr;
  CameraList cameras_;
  // Each camera's pop-up view, kept beside it so that it moves with the
  // camera and outlives it (the camera closes its view when it goes).
  std::map<const CamWnd*, std::unique_ptr<CamViewDlg>> views_;
  std::map<const CamWnd*, CameraAlerts> alerts_;
};
