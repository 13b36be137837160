#pragma once
// A 32-bit top-down DIB selected into a memory DC, for tests that paint and
// read the pixels back. Pixels read as 0x00RRGGBB (alpha masked off).

#include <windows.h>

#include <cstdint>

class DibCanvas {
 public:
  DibCanvas(int width, int height);
  ~DibCanvas();
  DibCanvas(const DibCanvas&) = delete;
  DibCanvas& operator=(const DibCanvas&) = delete;

  HDC Dc() const { return dc_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  uint32_t Pixel(int x, int y) const;
  void Fill(uint32_t rgb);
  // Copies a window's client area as it is on the screen.
  bool CaptureClient(HWND window);
  // Pixels of exactly this colour inside the rectangle [x0, x1) x [y0, y1).
  int Count(uint32_t rgb, int x0, int y0, int x1, int y1) const;
  int Count(uint32_t rgb) const { return Count(rgb, 0, 0, width_, height_); }

 private:
  int width_;
  int height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  uint32_t* bits_ = nullptr;
};

// RGB written as 0x00RRGGBB, the way DibCanvas::Pixel reads.
constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) {
  return (r << 16) | (g << 8) | b;
}
// A COLORREF (0x00BBGGRR) as DibCanvas::Pixel reads it.
constexpr uint32_t FromColorref(uint32_t c) {
  return Rgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}
