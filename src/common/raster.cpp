#include "common/raster.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

bool Modifiable(const Picture& picture) {
  const int bits = picture.BitCount();
  return (bits == 8 || bits == 16 || bits == 24 || bits == 32) && picture.HasPixels();
}

}  // namespace

void FlipVertical(Picture& picture) {
  if (!Modifiable(picture)) return;
  const size_t stride = picture.Stride();
  const size_t rowBytes = static_cast<size_t>(picture.Width()) * (picture.BitCount() / 8);
  const int32_t height = AbsHeight(picture.Height());
  std::vector<uint8_t> row(rowBytes);
  uint8_t* pixels = picture.pixels.data();
  for (int32_t y = 0; y < height / 2; ++y) {
    uint8_t* top = pixels + static_cast<size_t>(y) * stride;
    uint8_t* bottom = pixels + static_cast<size_t>(height - 1 - y) * stride;
    std::memcpy(row.data(), top, rowBytes);
    std::memcpy(top, bottom, rowBytes);
    std::memcpy(bottom, row.data(), rowBytes);
  }
}

void FlipHorizontal(Picture& picture) {
  if (!Modifiable(picture)) return;
  const size_t stride = picture.Stride();
  const size_t bpp = picture.BitCount() / 8;
  const int32_t width = picture.Width();
  const int32_t height = AbsHeight(picture.Height());
  uint8_t temp[4];
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = picture.pixels.data() + static_cast<size_t>(y) * stride;
    for (int32_t x = 0; x < width / 2; ++x) {
      uint8_t* left = row + static_cast<size_t>(x) * bpp;
      uint8_t* right = row + static_cast<size_t>(width - 1 - x) * bpp;
      std::memcpy(temp, left, bpp);
      std::memcpy(left, right, bpp);
      std::memcpy(right, temp, bpp);
    }
  }
}

void RotatePicture(Picture& picture, int angle) {
  if (angle != 90 && angle != 180 && angle != 270) return;
  if (!Modifiable(picture)) return;
  const int bits = picture.BitCount();
  const size_t bpp = bits / 8;
  const int32_t w = picture.Width();
  const int32_t h = AbsHeight(picture.Height());
  const size_t srcStride = picture.Stride();
  const bool quarter = angle != 180;
  const int32_t newWidth = quarter ? h : w;
  const int32_t newHeight = quarter ? w : h;
  const size_t dstStride = RowStride(newWidth, bits);
  // The buffer given up by the previous rotation on this thread takes the
  // new pixels: a camera rotating every frame then allocates nothing.
  thread_local std::vector<uint8_t> spare;
  std::vector<uint8_t> rotated = std::move(spare);
  spare.clear();
  rotated.assign(dstStride * static_cast<size_t>(newHeight), 0);

  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* src = picture.pixels.data() + static_cast<size_t>(y) * srcStride;
    for (int32_t x = 0; x < w; ++x, src += bpp) {
      int32_t dstRow, dstCol;
      if (angle == 180) {
        dstRow = h - 1 - y;
        dstCol = w - 1 - x;
      } else if (angle == 90) {
        dstRow = w - 1 - x;
        dstCol = y;
      } else {
        dstRow = x;
        dstCol = h - 1 - y;
      }
      std::memcpy(rotated.data() + static_cast<size_t>(dstRow) * dstStride + static_cast<size_t>(dstCol) * bpp, src,
                  bpp);
    }
  }

  BitmapInfoHeader& header = picture.pictureInfo.header;
  if (quarter) {
    header.width = newWidth;
    header.height = header.height < 0 ? -newHeight : newHeight;
  }
  header.sizeImage = static_cast<uint32_t>(rotated.size());
  spare = std::exchange(picture.pixels, std::move(rotated));
}
