// The one conversion an RTSP camera's decoded frame costs: 4:2:0 YUV of
// 1920x1080 into the program's 24-bit bottom-up BGR picture, by libswscale
// (as the RTSP reader does it) and by libjpeg-turbo's own YUV decoder, in ms
// per frame. libjpeg-turbo knows only JPEG's full-range YUV, while most
// H.264 and H.265 cameras send limited range (16 to 235): it would be an
// alternative for full-range 8-bit 4:2:0 frames only. Run under Wine
// (scripts/bench).
#include <turbojpeg.h>

#include <cstdint>
#include <cstdio>
#include <vector>

extern "C" {
#include <libswscale/swscale.h>
}

#include "bench_timer.h"
#include "common/picture.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

}  // namespace

int main() {
  // A frame with some structure, so no path can shortcut on flat planes.
  std::vector<uint8_t> luma(kWidth * kHeight), blue(kWidth * kHeight / 4), red(kWidth * kHeight / 4);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) luma[y * kWidth + x] = static_cast<uint8_t>(16 + (x * 7 + y * 3) % 220);
  for (size_t i = 0; i < blue.size(); ++i) {
    blue[i] = static_cast<uint8_t>(64 + i % 128);
    red[i] = static_cast<uint8_t>(192 - i % 128);
  }
  Picture picture = MakePicture(kWidth, kHeight);
  const int stride = static_cast<int>(picture.Stride());

  SwsContext* scaler = sws_getContext(kWidth, kHeight, AV_PIX_FMT_YUV420P, kWidth, kHeight, AV_PIX_FMT_BGR24,
                                      SWS_BILINEAR, nullptr, nullptr, nullptr);
  const uint8_t* planes[4] = {luma.data(), blue.data(), red.data(), nullptr};
  const int planeStrides[4] = {kWidth, kWidth / 2, kWidth / 2, 0};
  uint8_t* rows[4] = {picture.pixels.data() + static_cast<size_t>(kHeight - 1) * stride, nullptr, nullptr, nullptr};
  const int rowStrides[4] = {-stride, 0, 0, 0};
  const double swscale =
      MedianMsPerOp([&] { sws_scale(scaler, planes, planeStrides, 0, kHeight, rows, rowStrides); }, 10);
  sws_freeContext(scaler);

  tjhandle decoder = tjInitDecompress();
  const unsigned char* tjPlanes[3] = {luma.data(), blue.data(), red.data()};
  const int tjStrides[3] = {kWidth, kWidth / 2, kWidth / 2};
  int failures = 0;
  const double turbo = MedianMsPerOp(
      [&] {
        failures += tjDecodeYUVPlanes(decoder, tjPlanes, tjStrides, TJSAMP_420, picture.pixels.data(), kWidth, stride,
                                      kHeight, TJPF_BGR, TJFLAG_BOTTOMUP) != 0;
      },
      10);
  tjDestroy(decoder);

  std::printf("1920x1080 4:2:0 to 24-bit bottom-up BGR, ms per frame:\n");
  std::printf("  libswscale (bilinear)      %.2f\n", swscale);
  std::printf("  libjpeg-turbo YUV decoder  %.2f%s\n", turbo, failures ? " (failed)" : "");
  return failures ? 1 : 0;
}
