#include "common/box_scale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "support/test_pictures.h"

namespace {

// Channel c (0 blue, 1 green, 2 red) of the pixel at column x, row y from
// the top of the picture.
int Channel(const Picture& p, int x, int y, int c) {
  const int32_t height = AbsHeight(p.Height());
  const int row = p.Height() > 0 ? height - 1 - y : y;
  return p.pixels[static_cast<size_t>(row) * p.Stride() + static_cast<size_t>(x) * (p.BitCount() / 8) + c];
}

int CellChannel(const CellImage& image, int x, int y, int c) {
  return (image.pixels[static_cast<size_t>(y) * image.width + x] >> (8 * c)) & 0xFF;
}

// The mean over a box given in exact, fractional source coordinates, each
// pixel weighted by how much of it the box covers.
double AreaMean(const Picture& p, double x0, double x1, double y0, double y1, int c) {
  double sum = 0, weight = 0;
  for (int y = static_cast<int>(y0); y < static_cast<int>(std::ceil(y1)); ++y)
    for (int x = static_cast<int>(x0); x < static_cast<int>(std::ceil(x1)); ++x) {
      const double w = (std::min<double>(x + 1, x1) - std::max<double>(x, x0)) *
                       (std::min<double>(y + 1, y1) - std::max<double>(y, y0));
      sum += w * Channel(p, x, y, c);
      weight += w;
    }
  return sum / weight;
}

TEST(BoxScale, WholeRatiosGiveTheRoundedMeanOfEachBlock) {
  const Picture source = PatternPicture(640, 480);
  BoxScaler scaler;
  CellImage image;
  ASSERT_TRUE(scaler.Scale(source, 160, 120, image));
  ASSERT_EQ(image.pixels.size(), 160u * 120u);
  for (int y = 0; y < 120; y += 7)
    for (int x = 0; x < 160; x += 5)
      for (int c = 0; c < 3; ++c) {
        int sum = 0;
        for (int dy = 0; dy < 4; ++dy)
          for (int dx = 0; dx < 4; ++dx) sum += Channel(source, x * 4 + dx, y * 4 + dy, c);
        ASSERT_EQ(CellChannel(image, x, y, c), (sum + 8) / 16) << x << "," << y << " channel " << c;
      }
  for (uint32_t pixel : image.pixels) ASSERT_EQ(pixel >> 24, 0u) << "the fourth byte stays 0";
}

TEST(BoxScale, OddSizesStayCloseToTheExactAreaMean) {
  // Blue and green are gradients; red is a checkerboard whose edges a box
  // of whole pixels places up to one pixel off the exact area.
  const Picture source = SmoothPicture(640, 480);
  BoxScaler scaler;
  CellImage image;
  for (auto [w, h] : {std::pair{153, 115}, std::pair{301, 226}, std::pair{97, 61}}) {
    ASSERT_TRUE(scaler.Scale(source, w, h, image));
    double worstGradient = 0, redError = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        for (int c = 0; c < 3; ++c) {
          const double exact =
              AreaMean(source, x * 640.0 / w, (x + 1) * 640.0 / w, y * 480.0 / h, (y + 1) * 480.0 / h, c);
          const double error = std::abs(CellChannel(image, x, y, c) - exact);
          if (c < 2)
            worstGradient = std::max(worstGradient, error);
          else
            redError += error;
        }
    EXPECT_LT(worstGradient, 2.5) << w << "x" << h;
    EXPECT_LT(redError / (w * h), 4.0) << w << "x" << h;
  }
}

TEST(BoxScale, EnlargingRepeatsPixelsAndEveryLayoutScalesAlike) {
  const Picture source = PatternPicture(40, 30);
  BoxScaler scaler;
  CellImage image;
  ASSERT_TRUE(scaler.Scale(source, 100, 75, image));
  for (int y = 0; y < 75; ++y)
    for (int x = 0; x < 100; ++x)
      for (int c = 0; c < 3; ++c)
        ASSERT_EQ(CellChannel(image, x, y, c), Channel(source, x * 40 / 100, y * 30 / 75, c)) << x << "," << y;

  // The same picture bottom-up or top-down, in 24 or 32 bits, with rows
  // padded (odd width) or not: the same cell image.
  const Picture odd = PatternPicture(63, 47);
  Picture topDown = odd;
  topDown.pictureInfo.header.height = -47;
  for (int y = 0; y < 47; ++y)
    std::copy_n(odd.pixels.begin() + static_cast<std::ptrdiff_t>((46 - y) * odd.Stride()), odd.Stride(),
                topDown.pixels.begin() + static_cast<std::ptrdiff_t>(y * odd.Stride()));
  Picture wide = MakePicture(63, 47, 32);
  for (int y = 0; y < 47; ++y)
    for (int x = 0; x < 63; ++x)
      for (int c = 0; c < 3; ++c)
        wide.pixels[static_cast<size_t>(y) * wide.Stride() + x * 4 + c] =
            odd.pixels[static_cast<size_t>(y) * odd.Stride() + x * 3 + c];
  CellImage a, b, d;
  ASSERT_TRUE(scaler.Scale(odd, 20, 13, a));
  ASSERT_TRUE(scaler.Scale(topDown, 20, 13, b));
  ASSERT_TRUE(scaler.Scale(wide, 20, 13, d));
  EXPECT_EQ(a.pixels, b.pixels);
  EXPECT_EQ(a.pixels, d.pixels);
  EXPECT_TRUE(a.Matches(20, 13));
  EXPECT_FALSE(a.Matches(13, 20));
}

TEST(BoxScale, UnusablePicturesAndSizesLeaveNothing) {
  BoxScaler scaler;
  CellImage image;
  ASSERT_TRUE(scaler.Scale(SmoothPicture(64, 48), 1, 1, image));
  EXPECT_EQ(image.pixels.size(), 1u);
  EXPECT_FALSE(scaler.Scale(SmoothPicture(64, 48), 0, 10, image));
  EXPECT_TRUE(image.pixels.empty());
  EXPECT_FALSE(image.Matches(0, 10));
  EXPECT_FALSE(scaler.Scale(PatternPicture(64, 48, 16), 10, 10, image));
  EXPECT_FALSE(scaler.Scale(Picture{}, 10, 10, image));
  Picture hollow;
  hollow.pictureInfo = MakePictureInfo(64, 48);
  EXPECT_FALSE(scaler.Scale(hollow, 10, 10, image));
  EXPECT_TRUE(image.pixels.empty());
}

}  // namespace
