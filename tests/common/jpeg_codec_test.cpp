#include "common/jpeg_codec.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include "common/find_bytes.h"
#include "common/raster.h"
#include "support/test_pictures.h"

namespace {

std::vector<uint8_t> Encode(Picture picture, int quality = 90) {
  std::vector<uint8_t> jpeg;
  EXPECT_TRUE(EncodeJpeg(picture, quality, jpeg));
  return jpeg;
}

TEST(JpegCodecTest, RoundTripKeepsSizeOrientationAndContent) {
  const Picture original = SmoothPicture(640, 480);
  const std::vector<uint8_t> jpeg = Encode(original);
  ASSERT_GT(jpeg.size(), 4u);
  EXPECT_EQ(jpeg[0], 0xFF);
  EXPECT_EQ(jpeg[1], 0xD8);
  EXPECT_EQ(jpeg[jpeg.size() - 2], 0xFF);
  EXPECT_EQ(jpeg.back(), 0xD9);
  bool found = false;
  FindBytes(jpeg.data(), jpeg.size(), reinterpret_cast<const uint8_t*>("\xFF\xDB"), 2, found);
  EXPECT_TRUE(found) << "recordings rely on a quantisation table marker";

  Picture decoded;
  ASSERT_TRUE(DecodeJpeg(jpeg.data(), jpeg.size(), decoded));
  EXPECT_EQ(decoded.Width(), 640);
  EXPECT_EQ(decoded.Height(), 480);
  EXPECT_EQ(decoded.BitCount(), 24);
  EXPECT_EQ(decoded.pictureInfo.header.size, 40u);
  EXPECT_EQ(decoded.pictureInfo.header.sizeImage, 640u * 480u * 3u);
  EXPECT_EQ(decoded.pixels.size(), 640u * 480u * 3u);
  EXPECT_LT(MeanChannelDifference(original, decoded), 2.0);
  // First buffer row is the bottom of the picture in both.
  EXPECT_LT(PixelAt(decoded, 352, 0)[1], 8);
  EXPECT_GT(PixelAt(decoded, 352, 479)[1], 247);
}

TEST(JpegCodecTest, OddWidthSurvivesDecodeFlipRotateEncodeDecode) {
  const Picture original = SmoothPicture(637, 211);
  Picture decoded;
  std::vector<uint8_t> jpeg = Encode(original, 95);
  ASSERT_TRUE(DecodeJpeg(jpeg.data(), jpeg.size(), decoded));
  ASSERT_EQ(decoded.Stride(), 1912u);  // 637 * 3 = 1911, padded to 4
  FlipHorizontal(decoded);
  FlipVertical(decoded);
  RotatePicture(decoded, 90);
  Picture again;
  jpeg = Encode(decoded, 95);
  ASSERT_TRUE(DecodeJpeg(jpeg.data(), jpeg.size(), again));
  ASSERT_EQ(again.Width(), 211);
  ASSERT_EQ(again.Height(), 637);

  Picture expected = original;
  FlipHorizontal(expected);
  FlipVertical(expected);
  RotatePicture(expected, 90);
  EXPECT_LT(MeanChannelDifference(expected, again), 4.0);  // two generations; a stride fault gives tens
  EXPECT_LT(MaxChannelDifference(expected, again), 64);
}

TEST(JpegCodecTest, QualityIsHonoured) {
  const Picture picture = PatternPicture(320, 240);
  const size_t low = Encode(picture, 10).size();
  const size_t high = Encode(picture, 95).size();
  EXPECT_LT(low * 2, high);
  // Out-of-range qualities are clamped rather than refused.
  EXPECT_EQ(Encode(picture, 0).size(), Encode(picture, 1).size());
  EXPECT_EQ(Encode(picture, 250).size(), Encode(picture, 100).size());
}

TEST(JpegCodecTest, EncodeSetsImageSizeAndAcceptsOnly24And32Bits) {
  Picture picture = SmoothPicture(101, 33);
  picture.pictureInfo.header.sizeImage = 0;
  std::vector<uint8_t> jpeg;
  ASSERT_TRUE(EncodeJpeg(picture, 75, jpeg));
  EXPECT_EQ(picture.pictureInfo.header.sizeImage, 304u * 33u);

  Picture wide = PatternPicture(64, 48, 32);
  EXPECT_TRUE(EncodeJpeg(wide, 75, jpeg));
  Picture decoded;
  EXPECT_TRUE(DecodeJpeg(jpeg.data(), jpeg.size(), decoded));
  EXPECT_EQ(decoded.BitCount(), 24);

  Picture sixteen = PatternPicture(64, 48, 16);
  EXPECT_FALSE(EncodeJpeg(sixteen, 75, jpeg));
  EXPECT_TRUE(jpeg.empty());
  EXPECT_EQ(sixteen.pictureInfo.header.sizeImage, 128u * 48u);

  Picture empty;
  empty.pictureInfo = MakePictureInfo(64, 48);
  EXPECT_FALSE(EncodeJpeg(empty, 75, jpeg));
  EXPECT_TRUE(jpeg.empty());
}

TEST(JpegCodecTest, GrayscaleJpegDecodesToColourPicture) {
  std::vector<uint8_t> gray(96 * 64);
  for (size_t i = 0; i < gray.size(); ++i) gray[i] = static_cast<uint8_t>(i % 96 * 2);
  tjhandle handle = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  ASSERT_EQ(tjCompress2(handle, gray.data(), 96, 96, 64, TJPF_GRAY, &out, &size, TJSAMP_GRAY, 90, 0), 0);
  std::vector<uint8_t> jpeg(out, out + size);
  tjFree(out);
  tjDestroy(handle);

  Picture decoded;
  ASSERT_TRUE(DecodeJpeg(jpeg.data(), jpeg.size(), decoded));
  EXPECT_EQ(decoded.BitCount(), 24);
  EXPECT_EQ(decoded.Width(), 96);
  const uint8_t* p = PixelAt(decoded, 50, 10);
  EXPECT_NEAR(p[0], 100, 3);
  EXPECT_EQ(p[0], p[1]);
  EXPECT_EQ(p[1], p[2]);
}

TEST(JpegCodecTest, UndecodableBytesHandOutNothing) {
  Picture picture = PatternPicture(8, 8);
  EXPECT_FALSE(DecodeJpeg(nullptr, 100, picture));
  EXPECT_TRUE(picture.pixels.empty());
  EXPECT_EQ(picture.Width(), 0);

  const uint8_t html[] = "<html><body>401 Unauthorized</body></html>";
  EXPECT_FALSE(DecodeJpeg(html, sizeof html, picture));
  EXPECT_TRUE(picture.pixels.empty());

  const std::vector<uint8_t> jpeg = Encode(SmoothPicture(64, 64));
  EXPECT_FALSE(DecodeJpeg(jpeg.data(), 0, picture));
  EXPECT_FALSE(DecodeJpeg(jpeg.data(), 20, picture));  // cut inside the header
  EXPECT_TRUE(picture.pixels.empty());
}

TEST(JpegCodecTest, PictureCutShortIsToleratedOrRefusedAsAsked) {
  const Picture original = SmoothPicture(160, 120);
  const std::vector<uint8_t> jpeg = Encode(original);
  const size_t cut = jpeg.size() * 2 / 3;  // past the headers, inside the scan
  Picture picture;
  ASSERT_TRUE(DecodeJpeg(jpeg.data(), cut, picture));
  EXPECT_EQ(picture.Width(), 160);
  EXPECT_FALSE(DecodeJpeg(jpeg.data(), cut, picture, JpegDamage::kRefuse));
  EXPECT_TRUE(picture.pixels.empty());
  EXPECT_EQ(picture.Width(), 0);
  // A whole picture passes the strict decode, with the same pixels.
  Picture tolerant, strict;
  ASSERT_TRUE(DecodeJpeg(jpeg.data(), jpeg.size(), tolerant));
  ASSERT_TRUE(DecodeJpeg(jpeg.data(), jpeg.size(), strict, JpegDamage::kRefuse));
  EXPECT_EQ(tolerant.pixels, strict.pixels);
}

TEST(JpegCodecTest, HeaderClaimingAHugePictureIsRefused) {
  std::vector<uint8_t> jpeg = Encode(SmoothPicture(64, 64));
  bool found = false;
  const uint8_t sof[2] = {0xFF, 0xC0};
  const size_t at = FindBytes(jpeg.data(), jpeg.size(), sof, 2, found);
  ASSERT_TRUE(found);
  // Baseline frame header: length(2) precision(1) height(2) width(2).
  jpeg[at + 5] = 0xEA;
  jpeg[at + 6] = 0x60;
  jpeg[at + 7] = 0xEA;
  jpeg[at + 8] = 0x60;  // 60000 x 60000
  Picture picture;
  EXPECT_FALSE(DecodeJpeg(jpeg.data(), jpeg.size(), picture));
  EXPECT_TRUE(picture.pixels.empty());
}

}  // namespace

namespace {

TEST(JpegCodecTest, ReusedPictureAndBufferTakeTheNewSizeExactly) {
  const std::vector<uint8_t> big = Encode(SmoothPicture(640, 480));
  const std::vector<uint8_t> small = Encode(SmoothPicture(63, 17));
  Picture picture;
  ASSERT_TRUE(DecodeJpeg(big.data(), big.size(), picture));
  ASSERT_TRUE(DecodeJpeg(small.data(), small.size(), picture));
  EXPECT_EQ(picture.Width(), 63);
  EXPECT_EQ(picture.pixels.size(), 192u * 17u);
  EXPECT_LT(MeanChannelDifference(SmoothPicture(63, 17), picture), 4.0);
  ASSERT_TRUE(DecodeJpeg(big.data(), big.size(), picture));
  EXPECT_EQ(picture.pixels.size(), 640u * 480u * 3u);

  std::vector<uint8_t> jpeg;
  Picture vga = SmoothPicture(640, 480);
  Picture tiny = SmoothPicture(63, 17);
  ASSERT_TRUE(EncodeJpeg(vga, 75, jpeg));
  ASSERT_TRUE(EncodeJpeg(tiny, 75, jpeg));
  Picture decoded;
  ASSERT_TRUE(DecodeJpeg(jpeg.data(), jpeg.size(), decoded));
  EXPECT_EQ(decoded.Width(), 63);
  EXPECT_EQ(jpeg.back(), 0xD9);
}

}  // namespace
