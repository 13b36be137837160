#include "common/picture_limit.h"

#include "common/jpeg_codec.h"

std::string PictureSizeRefusal(int width, int height) {
  if (static_cast<int64_t>(width) * height <= kMaxCameraPixels) return "";
  return "Picture too large (" + std::to_string(width) + "x" + std::to_string(height) + ")";
}

std::string JpegSizeRefusal(const uint8_t* bytes, size_t length) {
  int width = 0, height = 0;
  return ReadJpegSize(bytes, length, width, height) ? PictureSizeRefusal(width, height) : "";
}
