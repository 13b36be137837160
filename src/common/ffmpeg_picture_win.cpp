#include "common/ffmpeg_picture_win.h"

#include "common/picture_limit.h"

namespace {

// The formats a full-range stream comes in under their limited-range names,
// with the range given apart, as the scaler wants them.
AVPixelFormat WithoutRange(AVPixelFormat format, bool& fullRange) {
  switch (format) {
    case AV_PIX_FMT_YUVJ420P:
      fullRange = true;
      return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P:
      fullRange = true;
      return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P:
      fullRange = true;
      return AV_PIX_FMT_YUV444P;
    default:
      return format;
  }
}

}  // namespace

bool PictureConverter::Convert(const AVFrame& frame, Picture& picture) {
  const int width = frame.width, height = frame.height;
  if (width <= 0 || height <= 0 || !PictureSizeRefusal(width, height).empty()) return false;
  bool fullRange = frame.color_range == AVCOL_RANGE_JPEG;
  const AVPixelFormat format = WithoutRange(static_cast<AVPixelFormat>(frame.format), fullRange);
  SwsContext* scaler = sws_getCachedContext(scaler_.Release(), width, height, format, width, height, AV_PIX_FMT_BGR24,
                                            SWS_BILINEAR, nullptr, nullptr, nullptr);
  scaler_.Reset(scaler);
  if (!scaler) return false;
  const int colorspace = frame.colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT;
  if (scaler != configured_ || fullRange != fullRange_ || colorspace != colorspace_) {
    const int* table = sws_getCoefficients(colorspace);
    sws_setColorspaceDetails(scaler, table, fullRange ? 1 : 0, sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16,
                             1 << 16);
    configured_ = scaler;
    fullRange_ = fullRange;
    colorspace_ = colorspace;
  }
  picture.pictureInfo = MakePictureInfo(width, height);
  picture.pixels.resize(picture.RequiredBytes());
  const int stride = static_cast<int>(picture.Stride());
  uint8_t* const rows[4] = {picture.pixels.data() + static_cast<size_t>(height - 1) * stride, nullptr, nullptr,
                            nullptr};
  const int strides[4] = {-stride, 0, 0, 0};
  return sws_scale(scaler, frame.data, frame.linesize, 0, height, rows, strides) == height;
}
