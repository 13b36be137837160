#include "common/picture.h"

PictureInfo MakePictureInfo(int32_t width, int32_t height, int bitCount) {
  PictureInfo info{};
  info.header.size = sizeof(BitmapInfoHeader);
  info.header.width = width;
  info.header.height = height;
  info.header.planes = 1;
  info.header.bitCount = static_cast<uint16_t>(bitCount);
  info.header.sizeImage = static_cast<uint32_t>(RowStride(width, bitCount) * static_cast<size_t>(AbsHeight(height)));
  return info;
}

Picture MakePicture(int32_t width, int32_t height, int bitCount) {
  Picture picture;
  picture.pictureInfo = MakePictureInfo(width, height, bitCount);
  picture.pixels.assign(picture.RequiredBytes(), 0);
  return picture;
}
