#pragma once
// The uncompressed picture that moves through both programs.
//
// Rows are padded to a multiple of 4 bytes, exactly as in a Windows DIB:
// pixel (x, y), y counted from the first row in the buffer, starts at byte
// y * RowStride(width, bitCount) + x * bitCount / 8. The codec, the raster
// operations, motion detection and the display all address pixels through
// RowStride, so any width (637 as well as 640) round-trips intact and a
// picture can go to StretchDIBits as it is. For widths whose row length is
// a multiple of 4 this is the same as packed rows.
//
// A positive height means bottom-up (the first buffer row is the bottom
// row of the picture); the decoder always produces bottom-up 24-bit BGR.

#include <cstddef>
#include <cstdint>
#include <vector>

// The layout of BITMAPINFOHEADER, without <windows.h>.
struct BitmapInfoHeader {
  uint32_t size;
  int32_t width;
  int32_t height;
  uint16_t planes;
  uint16_t bitCount;
  uint32_t compression;
  uint32_t sizeImage;
  int32_t xPelsPerMeter;
  int32_t yPelsPerMeter;
  uint32_t clrUsed;
  uint32_t clrImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

// BITMAPINFO with its one (zero) colour entry: 44 bytes.
struct PictureInfo {
  BitmapInfoHeader header;
  uint32_t colour;
};
static_assert(sizeof(PictureInfo) == 44);

inline size_t RowStride(int32_t width, int bitCount) {
  if (width <= 0 || bitCount <= 0) return 0;
  return ((static_cast<size_t>(width) * static_cast<size_t>(bitCount) + 31) / 32) * 4;
}

inline int32_t AbsHeight(int32_t height) {
  return height < 0 ? -height : height;
}

struct Picture {
  PictureInfo pictureInfo{};
  std::vector<uint8_t> pixels;

  int32_t Width() const { return pictureInfo.header.width; }
  int32_t Height() const { return pictureInfo.header.height; }
  int BitCount() const { return pictureInfo.header.bitCount; }
  size_t Stride() const { return RowStride(Width(), BitCount()); }
  // Bytes the description needs; the pixel buffer holds at least these when
  // the picture is usable.
  size_t RequiredBytes() const { return Stride() * static_cast<size_t>(AbsHeight(Height())); }
  bool HasPixels() const { return !pixels.empty() && Width() > 0 && Height() != 0 && pixels.size() >= RequiredBytes(); }
};

// A description of a bottom-up picture of the given size and depth.
PictureInfo MakePictureInfo(int32_t width, int32_t height, int bitCount = 24);

// A picture with a zeroed pixel buffer of the right size.
Picture MakePicture(int32_t width, int32_t height, int bitCount = 24);
