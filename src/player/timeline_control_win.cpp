#include "player/timeline_control_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include "common/subclassed_control_win.h"

namespace {

struct Band {
  COLORREF upperFrom, upperTo, lowerFrom, lowerTo;
};
constexpr Band kTrack{0xFCFCFC, 0xDADADA, 0xC9C9C9, 0xD5D5D5};
constexpr Band kPlayed{0xF8F8AF, 0xD7B73E, 0xAE910E, 0x735701};
constexpr COLORREF kSelection = 0xC8C8C8;
constexpr COLORREF kMark = 0x808080;
constexpr COLORREF kFrame = 0xC8C8C8;

void FillSolid(HDC dc, const RECT& area, COLORREF colour) {
  ScopedBrush brush(CreateSolidBrush(colour));
  FillRect(dc, &area, brush.Get());
}

// One-pixel rows from left to right inclusive, colour stepping per row.
void GradientFill(HDC dc, int left, int top, int right, int bottom, COLORREF from, COLORREF to) {
  const int rows = bottom - top;
  for (int i = 0; i < rows; ++i)
    FillSolid(dc, RECT{left, top + i, right + 1, top + i + 1}, GradientRowColour(from, to, i, rows));
}

void GradientBand(HDC dc, int left, int right, int top, int split, int bottom, const Band& band) {
  GradientFill(dc, left, top, right, split, band.upperFrom, band.upperTo);
  GradientFill(dc, left, split, right, bottom, band.lowerFrom, band.lowerTo);
}

}  // namespace

TimelineControl::~TimelineControl() {
  Detach();
}

bool TimelineControl::Attach(HWND dialog, int controlId) {
  HWND control = GetDlgItem(dialog, controlId);
  if (!control) return false;
  Detach();
  window_ = control;
  parent_ = dialog;
  oldProc_ = SubclassControl(control, &TimelineControl::WindowProc, this);
  return true;
}

void TimelineControl::Detach() {
  RestoreControl(window_, &TimelineControl::WindowProc, oldProc_);
  window_ = nullptr;
  oldProc_ = nullptr;
}

LRESULT CALLBACK TimelineControl::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TimelineControl* self = SubclassedObject<TimelineControl>(window);
  if (!self || self->window_ != window) return DefWindowProcA(window, message, wParam, lParam);
  return self->HandleMessage(message, wParam, lParam);
}

LRESULT TimelineControl::SetValue(uint32_t& field, uint32_t value, WPARAM redraw) {
  field = value;
  if (redraw) InvalidateRect(window_, nullptr, FALSE);
  return 0;
}

LRESULT TimelineControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND window = window_;
  const WNDPROC oldProc = oldProc_;
  const auto value = static_cast<uint32_t>(lParam);
  LRESULT result = 0;
  if (HandleSelfPaintingMessage(
          window, message, wParam, [this](HDC dc, const RECT& client) { Paint(dc, client); }, result))
    return result;
  switch (message) {
    case TBM_GETPOS:
      return static_cast<LRESULT>(pos_);
    case TBM_SETPOS:
      return SetValue(pos_, value, wParam);
    case TBM_SETRANGEMAX:
      return SetValue(rangeMax_, value, wParam);
    case TBM_SETSELSTART:
      return SetValue(selStart_, value, wParam);
    case TBM_SETSELEND:
      return SetValue(selEnd_, value, wParam);
    case TBM_CLEARSEL:
      selStart_ = kNoMark;
      return SetValue(selEnd_, kNoMark, wParam);
    case WM_LBUTTONDOWN:
      return 0;
    case WM_LBUTTONUP:
      OnClick(lParam);
      return 0;
    case WM_NCDESTROY:
      Detach();
      break;
  }
  return CallWindowProcA(oldProc, window, message, wParam, lParam);
}

void TimelineControl::OnClick(LPARAM lParam) {
  RECT client{};
  GetClientRect(window_, &client);
  pos_ = TimelineClickPosition(GET_X_LPARAM(lParam), client.right, rangeMax_);
  InvalidateRect(window_, nullptr, FALSE);
  SendMessageA(parent_, WM_HSCROLL, TB_ENDTRACK, reinterpret_cast<LPARAM>(window_));
}

void TimelineControl::Paint(HDC dc, const RECT& client) const {
  FillSolid(dc, client, GetSysColor(COLOR_BTNFACE));
  const TimelineLayout layout = LayoutTimeline(client.right, client.bottom, rangeMax_, pos_, selStart_, selEnd_);
  GradientBand(dc, 0, client.right, 0, layout.barSplit, layout.barBottom, kTrack);
  GradientBand(dc, 0, layout.positionRight, 0, layout.barSplit, layout.barBottom, kPlayed);
  if (layout.startShown && layout.endShown)
    FillSolid(dc, RECT{layout.startX, layout.markTop, layout.endX, layout.markBottom}, kSelection);
  if (layout.startShown)
    FillSolid(dc, RECT{layout.startX, layout.markTop, layout.startX + 1, layout.markBottom}, kMark);
  if (layout.endShown) FillSolid(dc, RECT{layout.endX, layout.markTop, layout.endX + 1, layout.markBottom}, kMark);
  ScopedBrush frame(CreateSolidBrush(kFrame));
  const RECT bar{0, 0, client.right, layout.barBottom};
  FrameRect(dc, &bar, frame.Get());
}
