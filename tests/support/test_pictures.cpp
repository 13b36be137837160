#include "support/test_pictures.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "common/recording_format.h"

Picture PatternPicture(int32_t width, int32_t height, int bitCount) {
  Picture picture = MakePicture(width, height, bitCount);
  const size_t bpp = bitCount / 8;
  for (int32_t y = 0; y < AbsHeight(height); ++y)
    for (int32_t x = 0; x < width; ++x) {
      uint8_t* p = picture.pixels.data() + y * picture.Stride() + x * bpp;
      const uint32_t value = static_cast<uint32_t>(y * 7919 + x * 104729 + 13);
      for (size_t c = 0; c < bpp; ++c) p[c] = static_cast<uint8_t>(value >> (c * 8 % 24) ^ c * 31);
    }
  return picture;
}

Picture SmoothPicture(int32_t width, int32_t height) {
  Picture picture = MakePicture(width, height, 24);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      uint8_t* p = picture.pixels.data() + y * picture.Stride() + x * 3;
      p[0] = static_cast<uint8_t>(x * 255 / (width > 1 ? width - 1 : 1));
      p[1] = static_cast<uint8_t>(y * 255 / (height > 1 ? height - 1 : 1));
      p[2] = ((x / 64) + (y / 64)) % 2 ? 200 : 50;
    }
  return picture;
}

const uint8_t* PixelAt(const Picture& picture, int32_t x, int32_t y) {
  return picture.pixels.data() + y * picture.Stride() + x * (picture.BitCount() / 8);
}

int MaxChannelDifference(const Picture& a, const Picture& b) {
  int worst = 0;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x)
      for (int c = 0; c < 3; ++c) {
        const int d = std::abs(PixelAt(a, x, y)[c] - PixelAt(b, x, y)[c]);
        if (d > worst) worst = d;
      }
  return worst;
}

double MeanChannelDifference(const Picture& a, const Picture& b) {
  double total = 0;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x)
      for (int c = 0; c < 3; ++c) total += std::abs(PixelAt(a, x, y)[c] - PixelAt(b, x, y)[c]);
  return total / (3.0 * a.Width() * a.Height());
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::vector<uint8_t>> SplitFrames(const std::vector<uint8_t>& recording) {
  std::vector<std::vector<uint8_t>> frames;
  size_t from = 0;
  while (auto span = FindNextFrame(recording.data(), recording.size(), from)) {
    frames.emplace_back(recording.begin() + span->begin, recording.begin() + span->end);
    from = span->end;
  }
  return frames;
}
