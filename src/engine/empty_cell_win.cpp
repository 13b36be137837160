#include "engine/empty_cell_win.h"

#include <algorithm>

#include "common/fitted_overlay_win.h"
#include "common/scoped_handle_win.h"

namespace {

ScopedFont CellFont(int pixelHeight, int weight) {
  return ScopedFont(CreateFontA(-pixelHeight, 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Tahoma"));
}

void DrawLine(HDC dc, const RECT& rect, const std::string& text, HFONT font, int top, int height) {
  const std::string fitted = FitTextToWidth(dc, font, text.c_str(), rect.right - rect.left);
  if (fitted.empty()) return;
  SelectedObject selected(dc, font);
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColour = SetTextColor(dc, kEmptyCellTextColour);
  RECT line{rect.left, top, rect.right, top + height};
  DrawTextA(dc, fitted.c_str(), -1, &line, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
  SetTextColor(dc, oldColour);
  SetBkMode(dc, oldMode);
}

}  // namespace

void DrawEmptyCell(HDC dc, const RECT& rect, const EmptyCellText& text) {
  if (text.number.empty() && text.line.empty()) return;
  const int height = rect.bottom - rect.top;
  // The number reads at a glance; the line keeps a dialog's size as long
  // as the cell allows.
  const int numberHeight = std::clamp(height / 6, 10, 28);
  const int lineHeight = std::clamp(height / 9, 9, 14);
  const int gap = lineHeight / 2;
  const int top = rect.top + (height - numberHeight - gap - lineHeight) / 2;
  ScopedFont numberFont = CellFont(numberHeight, FW_BOLD);
  ScopedFont lineFont = CellFont(lineHeight, FW_NORMAL);
  DrawLine(dc, rect, text.number, numberFont.Get(), top, numberHeight);
  DrawLine(dc, rect, text.line, lineFont.Get(), top + numberHeight + gap, lineHeight);
}
