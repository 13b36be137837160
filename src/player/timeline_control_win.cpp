#include "player/timeline_control_win.h"

#include <commctrl.h>
#include <windowsx.h>

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

LRESULT TimelineControl::SetValue(uint32_t& field, uint32_t value, WPARAM redraw) {
  field = value;
  if (redraw) InvalidateRect(Window(), nullptr, FALSE);
  return 0;
}

bool TimelineControl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  const auto value = static_cast<uint32_t>(lParam);
  switch (message) {
    case TBM_GETPOS:
      result = static_cast<LRESULT>(pos_);
      return true;
    // The trackbar underneath never sees the values set, so it must not answer.
    case TBM_GETRANGEMAX:
      result = static_cast<LRESULT>(rangeMax_);
      return true;
    case TBM_GETSELSTART:
      result = static_cast<LRESULT>(selStart_);
      return true;
    case TBM_GETSELEND:
      result = static_cast<LRESULT>(selEnd_);
      return true;
    case TBM_SETPOS:
      result = SetValue(pos_, value, wParam);
      return true;
    case TBM_SETRANGEMAX:
      result = SetValue(rangeMax_, value, wParam);
      return true;
    case TBM_SETSELSTART:
      result = SetValue(selStart_, value, wParam);
      return true;
    case TBM_SETSELEND:
      result = SetValue(selEnd_, value, wParam);
      return true;
    case TBM_CLEARSEL:
      selStart_ = kNoMark;
      result = SetValue(selEnd_, kNoMark, wParam);
      return true;
    case WM_LBUTTONDOWN:
      result = 0;
      return true;
    case WM_LBUTTONUP:
      OnClick(lParam);
      result = 0;
      return true;
    default:
      return false;
  }
}

void TimelineControl::OnClick(LPARAM lParam) {
  RECT client{};
  GetClientRect(Window(), &client);
  pos_ = TimelineClickPosition(GET_X_LPARAM(lParam), client.right, rangeMax_);
  InvalidateRect(Window(), nullptr, FALSE);
  SendMessageA(Owner(), WM_HSCROLL, TB_ENDTRACK, reinterpret_cast<LPARAM>(Window()));
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
