#include "support/dib_canvas_win.h"

DibCanvas::DibCanvas(int width, int height) : width_(width), height_(height) {
  dc_ = CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* raw = nullptr;
  bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &raw, nullptr, 0);
  bits_ = static_cast<uint32_t*>(raw);
  previous_ = SelectObject(dc_, bitmap_);
}

DibCanvas::~DibCanvas() {
  SelectObject(dc_, previous_);
  DeleteObject(bitmap_);
  DeleteDC(dc_);
}

uint32_t DibCanvas::Pixel(int x, int y) const {
  GdiFlush();
  return bits_[static_cast<size_t>(y) * width_ + x] & 0xFFFFFF;
}

void DibCanvas::Fill(uint32_t rgb) {
  GdiFlush();
  for (int i = 0; i < width_ * height_; ++i) bits_[i] = rgb;
}

bool DibCanvas::CaptureClient(HWND window) {
  HDC screen = GetDC(window);
  if (!screen) return false;
  const BOOL ok = BitBlt(dc_, 0, 0, width_, height_, screen, 0, 0, SRCCOPY);
  ReleaseDC(window, screen);
  GdiFlush();
  return ok != FALSE;
}

int DibCanvas::Count(uint32_t rgb, int x0, int y0, int x1, int y1) const {
  GdiFlush();
  int count = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if ((bits_[static_cast<size_t>(y) * width_ + x] & 0xFFFFFF) == rgb) ++count;
  return count;
}
