#include "common/control_layout_win.h"

namespace {

constexpr UINT kRedrawFlags = RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME;

}  // namespace

void ControlLayout::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      host_ = hwnd;
      ShowWindow(host_, SW_SHOWNORMAL);
      SetForegroundWindow(host_);
      GetWindowRect(host_, &reference_);
      break;
    case WM_SIZE:
      Arrange();
      break;
    case WM_SIZING: {
      RECT* proposed = reinterpret_cast<RECT*>(lParam);
      if (!proposed) break;
      LayoutRect r{proposed->left, proposed->top, proposed->right, proposed->bottom};
      EnforceMinimumSize(r, static_cast<int32_t>(wParam), minWidth_, minHeight_);
      *proposed = RECT{r.left, r.top, r.right, r.bottom};
      break;
    }
    case WM_EXITSIZEMOVE:
      RedrawHost();
      break;
    case WM_LAYOUT_REMEMBER:
      Remember();
      break;
    default:
      break;
  }
}

LayoutRect ControlLayout::ClientRectOf(HWND control) const {
  RECT window{};
  GetWindowRect(control, &window);
  POINT topLeft{window.left, window.top};
  ScreenToClient(host_, &topLeft);
  return LayoutRect{topLeft.x, topLeft.y, topLeft.x + (window.right - window.left),
                    topLeft.y + (window.bottom - window.top)};
}

void ControlLayout::Add(HWND control, int horizontalMode, int verticalMode, BOOL repaint) {
  if (!control) return;
  entries_.push_back(Entry{ClientRectOf(control), control, horizontalMode, verticalMode, repaint});
}

void ControlLayout::AddById(int controlId, int horizontalMode, int verticalMode, BOOL repaint) {
  Add(GetDlgItem(host_, controlId), horizontalMode, verticalMode, repaint);
}

void ControlLayout::SetMinSize(int width, int height) {
  if (width != 0 || height != 0) {
    minWidth_ = width;
    minHeight_ = height;
  } else {
    minWidth_ = reference_.right - reference_.left;
    minHeight_ = reference_.bottom - reference_.top;
  }
}

void ControlLayout::RedrawHost() const {
  if (host_) RedrawWindow(host_, nullptr, nullptr, kRedrawFlags);
}

void ControlLayout::Remember() {
  if (!host_) return;
  GetWindowRect(host_, &reference_);
  for (Entry& entry : entries_) entry.reference = ClientRectOf(entry.control);
  InvalidateRect(host_, nullptr, TRUE);
  RedrawHost();
}

void ControlLayout::Arrange() {
  if (!host_) return;
  RECT now{};
  GetWindowRect(host_, &now);
  int dx = (now.right - now.left) - (reference_.right - reference_.left);
  int dy = (now.bottom - now.top) - (reference_.bottom - reference_.top);
  LayoutPrevious& previous = SharedLayoutPrevious();
  for (const Entry& entry : entries_) {
    LayoutPlacement p = PlaceControl(entry.reference, entry.horizontalMode, entry.verticalMode, dx, dy, previous);
    if (entry.horizontalMode != 0 || entry.verticalMode != 0) {
      MoveWindow(entry.control, p.x, p.y, p.width, p.height, entry.repaint);
    }
  }
  InvalidateRect(host_, nullptr, TRUE);
}
