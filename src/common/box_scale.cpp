#include "common/box_scale.h"

#include <algorithm>

namespace {

// Start of box i of count boxes over size pixels; box i ends where box
// i + 1 starts, but takes at least one pixel.
int32_t BoxStart(int32_t i, int32_t count, int32_t size) {
  return static_cast<int32_t>(static_cast<int64_t>(i) * size / count);
}

int32_t BoxEnd(int32_t i, int32_t count, int32_t size) {
  return std::max(BoxStart(i + 1, count, size), std::min(BoxStart(i, count, size) + 1, size));
}

template <int kBytesPerPixel>
void AddRow(const uint8_t* row, int32_t width, uint32_t* sums) {
  for (int32_t x = 0; x < width; ++x, row += kBytesPerPixel, sums += 3) {
    sums[0] += row[0];
    sums[1] += row[1];
    sums[2] += row[2];
  }
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
    rowSums_.assign(static_cast<size_t>(sourceWidth) * 3, 0);
    sourceWidth_ = sourceWidth;
    targetWidth_ = width;
  }
  image.width = width;
  image.height = height;
  image.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));

  uint32_t* out = image.pixels.data();
  for (int32_t j = 0; j < height; ++j) {
    const int32_t top = BoxStart(j, height, sourceHeight), bottom = BoxEnd(j, height, sourceHeight);
    std::fill(rowSums_.begin(), rowSums_.end(), 0u);
    for (int32_t y = top; y < bottom; ++y) {
      const size_t bufferRow = static_cast<size_t>(bottomUp ? sourceHeight - 1 - y : y);
      const uint8_t* row = picture.pixels.data() + bufferRow * stride;
      if (bitCount == 24)
        AddRow<3>(row, sourceWidth, rowSums_.data());
      else
        AddRow<4>(row, sourceWidth, rowSums_.data());
    }
    const uint32_t rows = static_cast<uint32_t>(bottom - top);
    for (int32_t i = 0; i < width; ++i) {
      const int32_t left = columnStart_[i];
      const int32_t right = std::max(columnStart_[i + 1], std::min(left + 1, sourceWidth));
      uint64_t blue = 0, green = 0, red = 0;  // a whole large picture in one box passes 32 bits
      for (const uint32_t* s = rowSums_.data() + left * 3; s < rowSums_.data() + right * 3; s += 3) {
        blue += s[0];
        green += s[1];
        red += s[2];
      }
      const uint64_t count = uint64_t{rows} * static_cast<uint64_t>(right - left), half = count / 2;
      *out++ = static_cast<uint32_t>((red + half) / count << 16 | (green + half) / count << 8 | (blue + half) / count);
    }
  }
  return true;
}
