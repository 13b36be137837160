#pragma once
// A camera's own resizable window showing its live picture larger than its
// grid cell, at one of three preset sizes that follow the grid's aspect
// ratio, or at any size dragged by hand.

#include <windows.h>

#include <functional>
#include <memory>

#include "engine/cam_wnd_win.h"
#include "engine/frame_slot.h"
#include "engine/posted_wake_win.h"
#include "framework/dialogs_win.h"
#include "framework/image_preview_win.h"

inline constexpr int kCamViewTemplate = 107;
inline constexpr int kCamViewPicture = 1021;
inline constexpr int kViewSizeSmall = 169;   // 400 wide
inline constexpr int kViewSizeMedium = 170;  // 640 wide
inline constexpr int kViewSizeLarge = 171;   // 800 wide
// The camera's slot has a new frame.
inline constexpr UINT kViewPictureMessage = WM_APP + 2;

// The picture size of a size command: width 400, 640 or 800 (640 for any
// other value), height trunc(width x aspect ratio).
SIZE ViewPictureSize(int command, double aspectRatio);
// The next size a double-click steps to: 169 -> 170 -> 171 -> 169, and 169
// after a size set by hand (0).
int NextViewSize(int sizeChoice);

class CamViewDlg : public ModelessDlg {
 public:
  // Where the grid's aspect ratio is read, each time a size is computed.
  explicit CamViewDlg(std::function<double()> aspectRatio) : aspectRatio_(std::move(aspectRatio)) {}
  ~CamViewDlg() override;

  INT_PTR FilterMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnInitDialog(HWND hwnd) override;
  INT_PTR OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) override;

  void ResizeTo(int command);
  // The run-time size menu with its check mark; the caller destroys it.
  HMENU BuildSizeMenu() const;
  void ShowSizeMenu();

  ImagePreview& Preview() { return preview_; }
  // From now on the view shows the pictures of the camera whose slot this
  // is; null: none.
  void Follow(std::shared_ptr<FrameSlot> slot);

 private:
  void ShowLatest();

  RECT sizeMoveStart_{};
  int sizeChoice_ = kViewSizeSmall;
  ImagePreview preview_;
  std::function<double()> aspectRatio_;
  std::shared_ptr<FrameSlot> slot_;
  PostedWake wake_{nullptr, kViewPictureMessage};
};

// Opens the camera's view (created at the small size when it does not exist
// yet, owned by `owner`), shows the camera's current picture in it and
// brings it forward. From then on the view follows the camera's pictures,
// and it is closed when the camera goes: the view must outlive the camera.
void OpenView(CamWnd& camera, CamViewDlg& view, HWND owner);
