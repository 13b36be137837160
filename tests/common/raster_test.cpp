#include "common/raster.h"

#include <gtest/gtest.h>

#include <cstring>

#include "support/test_pictures.h"

namespace {

bool SamePixel(const Picture& a, int ax, int ay, const Picture& b, int bx, int by) {
  return std::memcmp(PixelAt(a, ax, ay), PixelAt(b, bx, by), a.BitCount() / 8) == 0;
}

class RasterDepthTest : public ::testing::TestWithParam<int> {};

TEST_P(RasterDepthTest, FlipsMirrorEveryPixelAndKeepTheMiddleLine) {
  const int bits = GetParam();
  const Picture original = PatternPicture(7, 5, bits);  // odd both ways; 7 * 3 bytes needs row padding
  Picture h = original;
  FlipHorizontal(h);
  Picture v = original;
  FlipVertical(v);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) {
      EXPECT_TRUE(SamePixel(h, x, y, original, 6 - x, y)) << x << "," << y;
      EXPECT_TRUE(SamePixel(v, x, y, original, x, 4 - y)) << x << "," << y;
    }
  FlipHorizontal(h);
  FlipVertical(v);
  EXPECT_EQ(h.pixels, original.pixels);
  EXPECT_EQ(v.pixels, original.pixels);
}

TEST_P(RasterDepthTest, QuarterTurnsMovePixelsAsOnScreen) {
  const int bits = GetParam();
  const Picture original = PatternPicture(5, 3, bits);
  Picture r90 = original;
  RotatePicture(r90, 90);
  ASSERT_EQ(r90.Width(), 3);
  ASSERT_EQ(r90.Height(), 5);
  EXPECT_EQ(r90.pixels.size(), r90.RequiredBytes());
  EXPECT_EQ(r90.pictureInfo.header.sizeImage, r90.RequiredBytes());
  Picture r270 = original;
  RotatePicture(r270, 270);
  Picture r180 = original;
  RotatePicture(r180, 180);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      // Bottom-up buffer: a clockwise turn on screen sends (x, y) to row
      // W-1-x, column y.
      EXPECT_TRUE(SamePixel(r90, y, 4 - x, original, x, y));
      EXPECT_TRUE(SamePixel(r270, 2 - y, x, original, x, y));
      EXPECT_TRUE(SamePixel(r180, 4 - x, 2 - y, original, x, y));
    }
  RotatePicture(r90, 270);
  EXPECT_EQ(r90.pixels, original.pixels);
  EXPECT_EQ(std::memcmp(&r90.pictureInfo, &original.pictureInfo, sizeof(PictureInfo)), 0);
}

INSTANTIATE_TEST_SUITE_P(Depths, RasterDepthTest, ::testing::Values(8, 16, 24, 32));

TEST(RasterTest, RotatingVgaKeepsTheImageSizeAndTwoHalfTurnsRestoreIt) {
  const Picture original = PatternPicture(640, 480);
  Picture picture = original;
  RotatePicture(picture, 90);
  EXPECT_EQ(picture.Width(), 480);
  EXPECT_EQ(picture.Height(), 640);
  EXPECT_EQ(picture.pictureInfo.header.sizeImage, 640u * 480u * 3u);
  picture = original;
  RotatePicture(picture, 180);
  EXPECT_NE(picture.pixels, original.pixels);
  RotatePicture(picture, 180);
  EXPECT_EQ(picture.pixels, original.pixels);
}

TEST(RasterTest, OtherAnglesDepthsAndEmptyPicturesAreLeftAlone) {
  const Picture original = PatternPicture(6, 4);
  for (int angle : {0, 45, -90, 360}) {
    Picture picture = original;
    RotatePicture(picture, angle);
    EXPECT_EQ(picture.pixels, original.pixels) << angle;
    EXPECT_EQ(std::memcmp(&picture.pictureInfo, &original.pictureInfo, sizeof(PictureInfo)), 0) << angle;
  }
  Picture odd = PatternPicture(6, 4);
  odd.pictureInfo.header.bitCount = 12;
  const std::vector<uint8_t> before = odd.pixels;
  FlipHorizontal(odd);
  FlipVertical(odd);
  RotatePicture(odd, 90);
  EXPECT_EQ(odd.pixels, before);
  EXPECT_EQ(odd.Width(), 6);

  Picture empty;
  empty.pictureInfo = MakePictureInfo(6, 4);
  FlipHorizontal(empty);
  FlipVertical(empty);
  RotatePicture(empty, 90);
  EXPECT_TRUE(empty.pixels.empty());
  EXPECT_EQ(empty.Width(), 6);

  // A buffer shorter than its description claims is not touched either.
  Picture shortBuffer = PatternPicture(6, 4);
  shortBuffer.pixels.resize(10);
  const std::vector<uint8_t> shortBefore = shortBuffer.pixels;
  RotatePicture(shortBuffer, 180);
  FlipVertical(shortBuffer);
  EXPECT_EQ(shortBuffer.pixels, shortBefore);
}

}  // namespace
