#include "common/canvas_win.h"

BITMAPINFO TopDown32Info(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

Canvas32::Canvas32(HDC compatible, int width, int height) : dc(CreateCompatibleDC(compatible)) {
  if (!dc) return;
  const BITMAPINFO info = TopDown32Info(width, height);
  void* raw = nullptr;
  bitmap.Reset(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &raw, nullptr, 0));
  if (!bitmap || !raw) return;
  selected.emplace(dc.Get(), bitmap.Get());
  bits = static_cast<uint32_t*>(raw);
}
