#pragma once
// What a control paints of itself (WM_PRINTCLIENT), pixel by pixel, to
// compare a control with a reference painting.

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "support/dib_canvas_win.h"

// Row by row, as DibCanvas::Pixel reads them.
inline std::vector<uint32_t> Pixels(const DibCanvas& canvas) {
  std::vector<uint32_t> pixels;
  pixels.reserve(static_cast<size_t>(canvas.Width()) * static_cast<size_t>(canvas.Height()));
  for (int y = 0; y < canvas.Height(); ++y)
    for (int x = 0; x < canvas.Width(); ++x) pixels.push_back(canvas.Pixel(x, y));
  return pixels;
}

// How many pixels differ; all of them when the sizes differ.
inline size_t DifferingPixels(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  if (a.size() != b.size()) return std::max(a.size(), b.size());
  size_t differing = 0;
  for (size_t i = 0; i < a.size(); ++i) differing += a[i] != b[i];
  return differing;
}

inline std::vector<uint32_t> Painted(HWND control) {
  RECT client{};
  GetClientRect(control, &client);
  DibCanvas canvas(client.right, client.bottom);
  SendMessageA(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
  return Pixels(canvas);
}
