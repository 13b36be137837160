// JPEG decode and encode, flips and rotation per frame.
#include <cstdio>
#include <vector>

#include "bench_timer.h"
#include "common/jpeg_codec.h"
#include "common/raster.h"

namespace {

Picture Scene(int width, int height) {
  Picture picture = MakePicture(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = picture.pixels.data() + y * picture.Stride() + x * 3;
      p[0] = static_cast<uint8_t>(x * 7 + y);
      p[1] = static_cast<uint8_t>(y * 3);
      p[2] = static_cast<uint8_t>((x / 40 + y / 40) % 2 ? 200 : 40 + x % 13);
    }
  return picture;
}

void Measure(int width, int height) {
  Picture picture = Scene(width, height);
  std::vector<uint8_t> jpeg;
  EncodeJpeg(picture, 75, jpeg);
  volatile size_t sink = 0;

  const double encodeFresh = MedianMsPerOp([&] {
    std::vector<uint8_t> out;
    EncodeJpeg(picture, 75, out);
    sink = sink + out.size();
  });
  std::vector<uint8_t> reusedJpeg;
  const double encode = MedianMsPerOp([&] {
    EncodeJpeg(picture, 75, reusedJpeg);
    sink = sink + reusedJpeg.size();
  });
  const double decodeFresh = MedianMsPerOp([&] {
    Picture out;
    DecodeJpeg(jpeg.data(), jpeg.size(), out);
    sink = sink + out.pixels.size();
  });
  Picture reused;
  const double decode = MedianMsPerOp([&] {
    DecodeJpeg(jpeg.data(), jpeg.size(), reused);
    sink = sink + reused.pixels.size();
  });
  const double flipH = MedianMsPerOp([&] { FlipHorizontal(picture); });
  const double flipV = MedianMsPerOp([&] { FlipVertical(picture); });
  const double rotate90 = MedianMsPerOp([&] { RotatePicture(picture, 90); });
  const double rotate180 = MedianMsPerOp([&] { RotatePicture(picture, 180); });
  std::printf("%dx%d (JPEG %zu bytes at quality 75), ms per frame:\n", width, height, jpeg.size());
  std::printf(
      "  decode %.3f (into a fresh picture %.3f)  encode %.3f (into a fresh buffer %.3f)\n  flipH %.3f  flipV %.3f  "
      "rotate90 %.3f  rotate180 %.3f\n",
      decode, decodeFresh, encode, encodeFresh, flipH, flipV, rotate90, rotate180);
}

}  // namespace

int main() {
  Measure(640, 480);
  Measure(1280, 720);
  return 0;
}
