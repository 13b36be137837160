#include "shell/cam_view_dlg_win.h"

#include <algorithm>

#include "common/fixed_text.h"
#include "engine/cell_text.h"
#include "framework/window_icon_win.h"
#include "shell/shell_icon_win.h"

namespace {

// Centres the window over the anchor window, kept on the anchor's screen.
void CentreOn(HWND window, HWND anchor) {
  RECT outer{}, over{};
  if (!anchor || !GetWindowRect(window, &outer) || !GetWindowRect(anchor, &over)) return;
  const int width = outer.right - outer.left, height = outer.bottom - outer.top;
  int x = over.left + ((over.right - over.left) - width) / 2;
  int y = over.top + ((over.bottom - over.top) - height) / 2;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoA(MonitorFromWindow(anchor, MONITOR_DEFAULTTONEAREST), &monitor)) {
    const RECT& work = monitor.rcWork;
    x = std::max(static_cast<int>(work.left), std::min(x, static_cast<int>(work.right) - width));
    y = std::max(static_cast<int>(work.top), std::min(y, static_cast<int>(work.bottom) - height));
  }
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

SIZE ViewPictureSize(int command, double aspectRatio) {
  const int width = command == kViewSizeSmall ? 400 : command == kViewSizeLarge ? 800 : 640;
  return SIZE{width, static_cast<LONG>(width * aspectRatio)};
}

int NextViewSize(int sizeChoice) {
  switch (sizeChoice) {
    case kViewSizeSmall:
      return kViewSizeMedium;
    case kViewSizeMedium:
      return kViewSizeLarge;
    default:
      return kViewSizeSmall;
  }
}

CamViewDlg::~CamViewDlg() {
  Follow(nullptr);
  if (Handle() && IsWindow(Handle())) DestroyWindow(Handle());
}

void CamViewDlg::Follow(std::shared_ptr<FrameSlot> slot) {
  if (slot_) slot_->Unsubscribe(wake_);
  slot_ = std::move(slot);
  wake_.SetWindow(Handle());
  wake_.Rearm();
  if (slot_) slot_->Subscribe(wake_);
}

void CamViewDlg::ShowLatest() {
  wake_.Rearm();
  const SharedFrame frame = slot_ ? slot_->Latest() : nullptr;
  // A camera that loses its picture leaves its last one in the view.
  if (frame && frame->picture.HasPixels()) preview_.SetPicture(frame->picture);
}

INT_PTR CamViewDlg::OnInitDialog(HWND hwnd) {
  preview_.Attach(hwnd, kCamViewPicture);
  SetWindowIcons(hwnd, kShellIcon);
  sizeChoice_ = kViewSizeSmall;
  ResizeTo(kViewSizeSmall);
  CentreOn(hwnd, Owner());
  return 1;
}

INT_PTR CamViewDlg::OnCommand(HWND hwnd, WPARAM wParam, LPARAM) {
  const int id = LOWORD(wParam);
  if (HIWORD(wParam) != 0 || id == 0) return 1;
  if (id == IDOK || id == IDCANCEL) {
    EndDialog(hwnd, IDCANCEL);  // hides; the object keeps the window
  } else if (id >= kViewSizeSmall && id <= kViewSizeLarge) {
    sizeChoice_ = id;
    ResizeTo(id);
  }
  return 1;
}

INT_PTR CamViewDlg::FilterMessage(HWND hwnd, UINT msg, WPARAM, LPARAM) {
  switch (msg) {
    case WM_SIZE: {
      RECT client{};
      GetClientRect(hwnd, &client);
      MoveWindow(preview_.Window(), 0, 0, client.right, client.bottom, TRUE);
      break;
    }
    case WM_LBUTTONDBLCLK:
      sizeChoice_ = NextViewSize(sizeChoice_);
      ResizeTo(sizeChoice_);
      break;
    case WM_RBUTTONUP:
      ShowSizeMenu();
      break;
    case kViewPictureMessage:
      ShowLatest();
      break;
    case WM_ENTERSIZEMOVE:
      GetWindowRect(hwnd, &sizeMoveStart_);
      break;
    case WM_EXITSIZEMOVE: {
      RECT now{};
      GetWindowRect(hwnd, &now);
      if (now.right - now.left != sizeMoveStart_.right - sizeMoveStart_.left ||
          now.bottom - now.top != sizeMoveStart_.bottom - sizeMoveStart_.top)
        sizeChoice_ = 0;
      break;
    }
    default:
      break;
  }
  return 0;
}

void CamViewDlg::ResizeTo(int command) {
  HWND hwnd = Handle();
  const SIZE picture = ViewPictureSize(command, aspectRatio_());
  RECT window{}, client{};
  GetWindowRect(hwnd, &window);
  GetClientRect(hwnd, &client);
  const int frameWidth = (window.right - window.left) - client.right;
  const int frameHeight = (window.bottom - window.top) - client.bottom;
  MoveWindow(hwnd, window.left, window.top, picture.cx + frameWidth, picture.cy + frameHeight, TRUE);
  MoveWindow(preview_.Window(), 0, 0, picture.cx, picture.cy, TRUE);
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
}

HMENU CamViewDlg::BuildSizeMenu() const {
  HMENU menu = CreatePopupMenu();
  for (int command = kViewSizeSmall; command <= kViewSizeLarge; ++command) {
    const SIZE size = ViewPictureSize(command, aspectRatio_());
    char text[32];
    FormatText(text, sizeof text, "%dx%d", static_cast<int>(size.cx), static_cast<int>(size.cy));
    AppendMenuA(menu, MF_STRING | (command == sizeChoice_ ? MF_CHECKED : 0), command, text);
  }
  return menu;
}

void CamViewDlg::ShowSizeMenu() {
  HWND hwnd = Handle();
  SetForegroundWindow(hwnd);
  POINT cursor{};
  GetCursorPos(&cursor);
  HMENU menu = BuildSizeMenu();
  TrackPopupMenu(menu, 0, cursor.x, cursor.y, 0, hwnd, nullptr);
  DestroyMenu(menu);
  PostMessageA(hwnd, WM_NULL, 0, 0);
}

void OpenView(CamWnd& camera, CamViewDlg& view, HWND owner) {
  if (!view.Handle() || !IsWindow(view.Handle())) {
    if (!view.Create(owner, kCamViewTemplate, true)) return;
    view.Follow(camera.Worker().Slot());
    camera.SetViewCloser([&view] {
      if (view.Handle()) SendMessageA(view.Handle(), WM_CLOSE, 0, 0);
    });
  }
  if (camera.HasPicture())
    view.Preview().SetPicture(camera.CurrentPicture());
  else
    view.Preview().SetPicture(nullptr, PictureInfo{});
  HWND window = view.Handle();
  // Cameras move in the grid: the title follows each time the view opens.
  SetWindowTextA(window, camera.Name().c_str());
  ShowWindow(window, IsIconic(window) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(window);
}
