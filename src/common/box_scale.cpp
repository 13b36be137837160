#include "common/box_scale.h"

#include <algorithm>
#include <cstddef>

#include "common/row_sums.h"

namespace {

// Start of box i of count boxes over size pixels; box i ends where box
// i + 1 starts, but takes at least one pixel.
int32_t BoxStart(int32_t i, int32_t count, int32_t size) {
  return static_cast<int32_t>(static_cast<int64_t>(i) * size / count);
}

int32_t BoxEnd(int32_t i, int32_t count, int32_t size) {
  return std::max(BoxStart(i + 1, count, size), std::min(BoxStart(i, count, size) + 1, size));
}

// The box's channels from the column sums of its rows: pixels [left, right).
template <int kBytesPerPixel>
uint32_t BoxMean(const uint32_t* sums, int32_t left, int32_t right, uint64_t rows) {
  uint64_t blue = 0, green = 0, red = 0;  // a whole large picture in one box passes 32 bits
  for (const uint32_t* s = sums + left * kBytesPerPixel; s < sums + right * kBytesPerPixel; s += kBytesPerPixel) {
    blue += s[0];
    green += s[1];
    red += s[2];
  }
  const uint64_t count = rows * static_cast<uint64_t>(right - left), half = count / 2;
  return static_cast<uint32_t>((red + half) / count << 16 | (green + half) / count << 8 | (blue + half) / count);
}

}  // namespace

bool BoxScaler::Scale(const Picture& picture, int32_t width, int32_t height, CellImage& image) {
  const int bitCount = picture.BitCount();
  if (!picture.HasPixels() || (bitCount != 24 && bitCount != 32) || width < 1 || height < 1) {
    image.width = image.height = 0;
    image.pixels.clear();
    return false;
  }
  const int32_t sourceWidth = picture.Width(), sourceHeight = AbsHeight(picture.Height());
  const bool bottomUp = picture.Height() > 0;
  const size_t stride = picture.Stride();
  if (sourceWidth != sourceWidth_ || width != targetWidth_) {
    columnStart_.resize(static_cast<size_t>(width) + 1);
    for (int32_t i = 0; i <= width; ++i) columnStart_[i] = BoxStart(i, width, sourceWidth);
    columnSums_.assign(static_cast<size_t>(sourceWidth) * 4, 0);
    sourceWidth_ = sourceWidth;
    targetWidth_ = width;
  }
  image.width = width;
  image.height = height;
  image.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));

  const int bytesPerPixel = bitCount / 8;
  const size_t rowBytes = static_cast<size_t>(sourceWidth) * static_cast<size_t>(bytesPerPixel);
  uint32_t* out = image.pixels.data();
  for (int32_t j = 0; j < height; ++j) {
    const int32_t top = BoxStart(j, height, sourceHeight), bottom = BoxEnd(j, height, sourceHeight);
    std::fill(columnSums_.begin(), columnSums_.begin() + static_cast<std::ptrdiff_t>(rowBytes), 0u);
    for (int32_t first = top; first < bottom; first += kRowsAtOnce) {
      const int count = std::min<int32_t>(kRowsAtOnce, bottom - first);
      for (int k = 0; k < count; ++k) {
        const int32_t y = first + k;
        rows_[k] = picture.pixels.data() + static_cast<size_t>(bottomUp ? sourceHeight - 1 - y : y) * stride;
      }
      AddRowBytes(rows_, count, rowBytes, columnSums_.data());
    }
    const uint64_t rows = static_cast<uint64_t>(bottom - top);
    for (int32_t i = 0; i < width; ++i) {
      const int32_t left = columnStart_[i];
      const int32_t right = std::max(columnStart_[i + 1], std::min(left + 1, sourceWidth));
      *out++ = bytesPerPixel == 3 ? BoxMean<3>(columnSums_.data(), left, right, rows)
                                  : BoxMean<4>(columnSums_.data(), left, right, rows);
    }
  }
  return true;
}
