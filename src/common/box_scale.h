#pragma once
// Scales a picture to the size of a display cell in the screen's own
// format, so drawing it is a plain copy: the platform's stretching converts
// the whole 24-bit source to 32 bits first on every paint.

#include <cstdint>
#include <vector>

#include "common/picture.h"

// 32-bit pixels, blue, green, red and a zero byte, top row first.
struct CellImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;

  bool Matches(int32_t w, int32_t h) const { return !pixels.empty() && width == w && height == h; }
};

// Keeps the spans and row sums of the last size between frames.
class BoxScaler {
 public:
  // Box filter: each cell pixel is the rounded mean of the source pixels in
  // its box, the source split into width x height boxes along whole pixels,
  // every box at least one pixel (so enlarging repeats pixels). Takes 24-
  // and 32-bit pictures in either row order and reuses the image's buffer.
  // False, with the image emptied, for a picture without pixels, another
  // depth, or a size below 1.
  bool Scale(const Picture& picture, int32_t width, int32_t height, CellImage& image);

 private:
  static constexpr int kRowsAtOnce = 256;
  std::vector<int32_t> columnStart_;  // width + 1 entries, in source pixels
  std::vector<uint32_t> columnSums_;  // down a box's rows, per byte of a source row
  const uint8_t* rows_[kRowsAtOnce] = {};
  int32_t sourceWidth_ = 0;
  int32_t targetWidth_ = 0;
};
