#pragma once
// Overlay lines that must stay readable inside a small rectangle (a grid
// cell): shortened with an ellipsis at the end instead of being cut at
// both sides of a centred box.

#include <windows.h>

#include <string>

// A fitted line is at most the rectangle's width less twice this, in pixels.
inline constexpr int kFittedTextMargin = 2;

// text as it fits rect's width less the margins in font (FitText).
std::string FitTextToWidth(HDC dc, HFONT font, const char* text, int width);

// DrawOverlay of the fitted text, with the same arguments: a box against an
// edge stays there, a centred one keeps the margin on both sides.
void DrawFittedOverlay(HDC target, const RECT& rect, const char* text, HFONT font, int32_t opacity, COLORREF textColor,
                       COLORREF backColor, COLORREF transparentColor, int32_t anchor);
