#include "events/thumbnail.h"

#include <algorithm>
#include <cstring>

#include "common/jpeg_codec.h"

namespace {
constexpr int kThumbnailQuality = 80;
}

bool ThumbnailMaker::Make(const Picture& picture, std::vector<uint8_t>& jpeg) {
  jpeg.clear();
  const int32_t width = picture.Width(), height = AbsHeight(picture.Height());
  if (!picture.HasPixels() || width <= 0 || height <= 0) return false;
  const int32_t thumbWidth = std::min(width, kThumbnailWidth);
  const int32_t thumbHeight =
      std::max<int32_t>(1, static_cast<int32_t>(static_cast<int64_t>(height) * thumbWidth / width));
  if (!scaler_.Scale(picture, thumbWidth, thumbHeight, scaled_)) return false;
  // The scaled image is 32-bit, top row first: a negative height says so.
  wrapped_.pictureInfo = MakePictureInfo(thumbWidth, -thumbHeight, 32);
  wrapped_.pixels.resize(scaled_.pixels.size() * sizeof(uint32_t));
  std::memcpy(wrapped_.pixels.data(), scaled_.pixels.data(), wrapped_.pixels.size());
  return EncodeJpeg(wrapped_, kThumbnailQuality, jpeg);
}
