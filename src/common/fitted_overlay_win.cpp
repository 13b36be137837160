#include "common/fitted_overlay_win.h"

#include "common/fit_text.h"
#include "common/overlay_win.h"
#include "common/scoped_handle_win.h"

std::string FitTextToWidth(HDC dc, HFONT font, const char* text, int width) {
  if (!text || !font) return {};
  ScopedMemoryDc measure(CreateCompatibleDC(dc));
  if (!measure) return text;
  SelectedObject selected(measure.Get(), font);
  const TextMeasure extent = [&measure](std::string_view part) {
    SIZE size{};
    GetTextExtentPoint32A(measure.Get(), part.data(), static_cast<int>(part.size()), &size);
    return static_cast<int>(size.cx);
  };
  return FitText(text, width - 2 * kFittedTextMargin, extent);
}

void DrawFittedOverlay(HDC target, const RECT& rect, const char* text, HFONT font, int32_t opacity, COLORREF textColor,
                       COLORREF backColor, COLORREF transparentColor, int32_t anchor) {
  const std::string fitted = FitTextToWidth(target, font, text, rect.right - rect.left);
  DrawOverlay(target, rect, fitted.c_str(), font, opacity, textColor, backColor, transparentColor, anchor);
}
