#include "common/overlay_win.h"

#include <cstring>

#include "common/canvas_win.h"
#include "common/scoped_handle_win.h"

namespace {

constexpr UINT kAnchorFlags = DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM;

void DrawDirect(HDC target, const RECT& rect, const char* text, HFONT font, COLORREF textColor, int32_t anchor) {
  SelectedObject selectedFont(target, font);
  const int oldMode = SetBkMode(target, TRANSPARENT);
  const COLORREF oldColour = SetTextColor(target, textColor);
  RECT area = rect;
  DrawTextA(target, text, -1, &area, (static_cast<UINT>(anchor) & kAnchorFlags) | DT_SINGLELINE | DT_NOPREFIX);
  SetTextColor(target, oldColour);
  SetBkMode(target, oldMode);
}

void DrawBlended(HDC target, const RECT& rect, const char* text, HFONT font, int32_t opacity, COLORREF textColor,
                 COLORREF backColor, COLORREF transparentColor, int32_t anchor) {
  ScopedMemoryDc measure(CreateCompatibleDC(target));
  if (!measure) return;
  SIZE size{};
  {
    SelectedObject selectedFont(measure.Get(), font);
    if (!GetTextExtentPoint32A(measure.Get(), text, static_cast<int>(std::strlen(text)), &size)) return;
  }
  if (size.cx <= 0 || size.cy <= 0) return;

  Canvas32 box(target, size.cx, size.cy);
  if (!box.Valid()) return;
  {
    SelectedObject selectedFont(box.dc.Get(), font);
    SetBkMode(box.dc.Get(), OPAQUE);
    SetBkColor(box.dc.Get(), backColor);
    SetTextColor(box.dc.Get(), textColor);
    RECT area{0, 0, size.cx, size.cy};
    DrawTextA(box.dc.Get(), text, -1, &area, DT_SINGLELINE | DT_NOPREFIX);
  }
  GdiFlush();
  KeyOverlayBox(box.bits, static_cast<size_t>(size.cx) * static_cast<size_t>(size.cy), transparentColor);

  const BoxOffset offset = PlaceOverlayBox(rect.right - rect.left, rect.bottom - rect.top, size.cx, size.cy, anchor);
  const RECT placed{rect.left + offset.x, rect.top + offset.y, rect.left + offset.x + size.cx,
                    rect.top + offset.y + size.cy};
  RECT visible{};
  if (!IntersectRect(&visible, &placed, &rect)) return;
  const int width = visible.right - visible.left;
  const int height = visible.bottom - visible.top;

  // Blending here rather than with AlphaBlend gives the same rule, clamp of
  // the keyed pixels' green included, on every display driver.
  Canvas32 under(target, width, height);
  if (!under.Valid()) return;
  if (!BitBlt(under.dc.Get(), 0, 0, width, height, target, visible.left, visible.top, SRCCOPY)) return;
  GdiFlush();
  const uint8_t alpha = OverlayConstantAlpha(opacity);
  for (int row = 0; row < height; ++row) {
    const uint32_t* source =
        box.bits + static_cast<size_t>(visible.top - placed.top + row) * size.cx + (visible.left - placed.left);
    BlendOverlayRow(source, under.bits + static_cast<size_t>(row) * width, static_cast<size_t>(width), alpha);
  }
  BitBlt(target, visible.left, visible.top, width, height, under.dc.Get(), 0, 0, SRCCOPY);
}

}  // namespace

void DrawOverlay(HDC target, const RECT& rect, const char* text, HFONT font, int32_t opacity, COLORREF textColor,
                 COLORREF backColor, COLORREF transparentColor, int32_t anchor) {
  if (!target || !text || !*text || !font) return;
  if (IsDirectOverlay(opacity, backColor, transparentColor))
    DrawDirect(target, rect, text, font, textColor, anchor);
  else
    DrawBlended(target, rect, text, font, opacity, textColor, backColor, transparentColor, anchor);
}

bool OverlayOnPicture(Picture& picture, const char* text, HFONT font, int32_t opacity, COLORREF textColor,
                      COLORREF backColor, COLORREF transparentColor, int32_t anchor) {
  if (!picture.HasPixels() || (picture.BitCount() != 24 && picture.BitCount() != 32)) return false;
  if (picture.pictureInfo.header.compression != BI_RGB) return false;
  ScopedMemoryDc dc(CreateCompatibleDC(nullptr));
  if (!dc) return false;
  void* bits = nullptr;
  ScopedBitmap bitmap(CreateDIBSection(dc.Get(), reinterpret_cast<const BITMAPINFO*>(&picture.pictureInfo),
                                       DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) return false;
  // The section has the picture's own row layout, so the copy is one to one.
  const size_t bytes = picture.RequiredBytes();
  std::memcpy(bits, picture.pixels.data(), bytes);
  {
    SelectedObject selected(dc.Get(), bitmap.Get());
    const RECT whole{0, 0, picture.Width(), AbsHeight(picture.Height())};
    DrawOverlay(dc.Get(), whole, text, font, opacity, textColor, backColor, transparentColor, anchor);
    GdiFlush();
  }
  std::memcpy(picture.pixels.data(), bits, bytes);
  return true;
}
