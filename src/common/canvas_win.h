#pragma once
// A 32-bit top-down DIB section selected into a memory DC of its own: pixels
// to draw on with GDI and to read and write directly.

#include <windows.h>

#include <cstdint>
#include <optional>

#include "common/scoped_handle_win.h"

// The description of width x height 32-bit pixels, top row first.
BITMAPINFO TopDown32Info(int width, int height);

struct Canvas32 {
  // Nothing usable (Valid() false) when the DC or the section cannot be made.
  Canvas32(HDC compatible, int width, int height);
  Canvas32(const Canvas32&) = delete;
  Canvas32& operator=(const Canvas32&) = delete;

  bool Valid() const { return bits != nullptr; }

  ScopedMemoryDc dc;
  ScopedBitmap bitmap;
  uint32_t* bits = nullptr;  // width * height pixels, top row first
  std::optional<SelectedObject> selected;
};
