#include "engine/motion_detector.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "support/test_pictures.h"

namespace {

struct Colour {
  uint8_t blue, green, red;
};

// Writes colour into the pixels x0..x1-1 of buffer rows y0..y1-1, through
// the padded row stride.
void Fill(Picture& picture, int x0, int x1, int y0, int y1, Colour colour) {
  const size_t bpp = static_cast<size_t>(picture.BitCount() / 8);
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      uint8_t* p = picture.pixels.data() + static_cast<size_t>(y) * picture.Stride() + static_cast<size_t>(x) * bpp;
      p[0] = colour.blue;
      p[1] = colour.green;
      p[2] = colour.red;
    }
}

Picture Uniform(int32_t width, int32_t height, Colour colour, int bitCount = 24) {
  Picture picture = MakePicture(width, height, bitCount);
  Fill(picture, 0, width, 0, AbsHeight(height), colour);
  return picture;
}

constexpr Colour kGrey{100, 100, 100};
constexpr Colour kWhite{255, 255, 255};

// A detector primed with the given picture.
MotionDetector PrimedWith(const Picture& picture) {
  MotionDetector detector;
  EXPECT_EQ(Detect(detector, picture, 10), 0);
  return detector;
}

// The brightness a detector keeps for the cell at `column`, `band` (from
// the bottom), read where the record lays it out: band by band.
uint8_t KeptBrightness(const MotionDetector& d, int column, int band) {
  return d.previous[band * 25 + column];
}

void ExpectRect(const MotionDetector& d, int firstColumn, int firstRow, int lastColumn, int lastRow) {
  EXPECT_EQ(d.rect.firstColumn, firstColumn);
  EXPECT_EQ(d.rect.firstRow, firstRow);
  EXPECT_EQ(d.rect.lastColumn, lastColumn);
  EXPECT_EQ(d.rect.lastRow, lastRow);
}

TEST(MotionDetector, StartsWithNothingMovedAndEveryCellWatched) {
  MotionDetector detector;
  EXPECT_EQ(detector.motionLevel, 0);
  EXPECT_TRUE(detector.rect.Empty());
  EXPECT_EQ(detector.stopwatch.lastResult, 0);
  EXPECT_FALSE(detector.stopwatch.Running());
  for (uint8_t cell : detector.mask.cells) EXPECT_EQ(cell, 0);
}

TEST(MotionDetector, FirstPictureOnlyPrimesAndIdenticalPicturesShowNoMotion) {
  MotionDetector detector;
  Picture bright = Uniform(640, 480, kWhite);
  // Against an unset reference a white picture would change every cell by 255.
  EXPECT_EQ(Detect(detector, bright, 10), 0);
  EXPECT_EQ(detector.motionLevel, 0);
  EXPECT_TRUE(detector.rect.Empty());
  EXPECT_EQ(KeptBrightness(detector, 0, 0), 255);
  EXPECT_EQ(KeptBrightness(detector, 24, 24), 255);

  EXPECT_EQ(Detect(detector, bright, 10), 0);
  EXPECT_TRUE(detector.rect.Empty());

  Picture pattern = PatternPicture(640, 480);
  Detect(detector, pattern, 10);
  EXPECT_GT(detector.motionLevel, 10);
  EXPECT_EQ(Detect(detector, pattern, 10), 0);
  EXPECT_EQ(detector.motionLevel, 0);
  EXPECT_TRUE(detector.rect.Empty());
}

TEST(MotionDetector, BrightnessWeighsRedGreenAndBlueInBgrOrder) {
  Picture black = Uniform(100, 100, {0, 0, 0});
  {
    MotionDetector d = PrimedWith(black);
    EXPECT_EQ(Detect(d, Uniform(100, 100, {0, 0, 200}), 255), 60);  // 0.3 * 200
  }
  {
    MotionDetector d = PrimedWith(black);
    EXPECT_EQ(Detect(d, Uniform(100, 100, {0, 100, 0}), 255), 59);  // 0.59 * 100
  }
  {
    MotionDetector d = PrimedWith(black);
    EXPECT_EQ(Detect(d, Uniform(100, 100, {100, 0, 0}), 255), 11);  // 0.11 * 100
  }
  {
    MotionDetector d = PrimedWith(Uniform(100, 100, {10, 20, 30}));
    // 0.3 * 255 + 0.59 * 255 + 0.11 * 255 = 255, down from trunc(9 + 11.8 + 1.1) = 21.
    EXPECT_EQ(Detect(d, Uniform(100, 100, kWhite), 255), 234);
    EXPECT_EQ(KeptBrightness(d, 12, 12), 255);
    // Falling brightness counts as much as rising.
    EXPECT_EQ(Detect(d, Uniform(100, 100, {10, 20, 30}), 255), 234);
  }
}

TEST(MotionDetector, CellsOf640x480SampleTruncatedPositions) {
  // cw = 25.6, ch = 19.2: each cell samples 25 x 19 pixels. Column 1 starts
  // at pixel 25, column 2 at 51, so pixel column 50 lies in no sample;
  // band 1 covers buffer rows 19..37, band 2 starts at 38. Where a start
  // rounds down further than the previous one, a pixel is left between
  // cells: pixel column 613 (column 23 covers 588..612), buffer row 95
  // (band 4 covers 76..94, band 5 starts at 96), and the last row and column.
  const Picture black = Uniform(640, 480, {0, 0, 0});
  struct ColumnCase {
    int x;
    int column;  // -1: not sampled
  } columns[] = {{0, 0},    {24, 0},   {25, 1},   {49, 1},   {50, -1}, {51, 2},
                 {612, 23}, {613, -1}, {614, 24}, {638, 24}, {639, -1}};
  for (const ColumnCase& c : columns) {
    SCOPED_TRACE(testing::Message() << "pixel column " << c.x);
    MotionDetector d = PrimedWith(black);
    Picture changed = black;
    // A white pixel column moves each sampled cell's average colour by
    // 19 * 255 / 475 = 10 (a brightness of 9 or 10 after rounding).
    Fill(changed, c.x, c.x + 1, 0, 480, kWhite);
    Detect(d, changed, 0);
    if (c.column < 0) {
      EXPECT_EQ(d.motionLevel, 0);
      EXPECT_TRUE(d.rect.Empty());
    } else {
      EXPECT_GE(d.motionLevel, 9);
      ExpectRect(d, c.column, 0, c.column, 24);
    }
  }
  struct RowCase {
    int y;
    int band;
  } rows[] = {{0, 0},  {18, 0},   {19, 1},   {37, 1},   {38, 2},  {95, -1},
              {96, 5}, {459, 23}, {460, 24}, {478, 24}, {479, -1}};
  for (const RowCase& c : rows) {
    SCOPED_TRACE(testing::Message() << "buffer row " << c.y);
    MotionDetector d = PrimedWith(black);
    Picture changed = black;
    // A white row moves each sampled cell's average by 25 * 255 / 475 = 13.
    Fill(changed, 0, 640, c.y, c.y + 1, kWhite);
    Detect(d, changed, 0);
    if (c.band < 0) {
      EXPECT_EQ(d.motionLevel, 0);
      EXPECT_TRUE(d.rect.Empty());
    } else {
      EXPECT_EQ(d.motionLevel, 13);
      ExpectRect(d, 0, c.band, 24, c.band);
    }
  }
}

TEST(MotionDetector, AddressesPaddedRowsOfOddWidths) {
  // 637 * 3 = 1911 bytes of pixels in a 1912-byte row. cw = 25.48: column 20
  // starts at pixel 509, band 23 (ch = 19.2) at buffer row 441.
  Picture before = Uniform(637, 480, kGrey);
  ASSERT_EQ(before.Stride(), 1912u);
  MotionDetector d = PrimedWith(before);
  Picture after = before;
  Fill(after, 509, 509 + 25, 441, 441 + 19, kWhite);
  // Padding bytes are no pixels: changing them must not count.
  for (int y = 0; y < 480; ++y) after.pixels[static_cast<size_t>(y) * 1912 + 1911] = 0xFF;
  EXPECT_EQ(Detect(d, after, 20), 155);
  ExpectRect(d, 20, 23, 20, 23);
}

TEST(MotionDetector, RectangleFollowsScanOrderNotBoundingBox) {
  // 250 x 250: every cell is exactly 10 x 10 pixels.
  const Picture base = Uniform(250, 250, kGrey);
  auto cell = [](Picture& p, int column, int band) {
    Fill(p, column * 10, column * 10 + 10, band * 10, band * 10 + 10, kWhite);
  };
  MotionDetector d = PrimedWith(base);
  Picture moved = base;
  cell(moved, 20, 3);
  cell(moved, 10, 3);
  cell(moved, 2, 10);
  EXPECT_EQ(Detect(d, moved, 50), 155);
  // Band 3 is scanned first, columns from the left; band 10 comes last.
  ExpectRect(d, 10, 3, 2, 10);

  // Back to the base picture: the same cells move again, the other way.
  EXPECT_EQ(Detect(d, base, 50), 155);
  ExpectRect(d, 10, 3, 2, 10);
  EXPECT_EQ(Detect(d, base, 50), 0);
  EXPECT_TRUE(d.rect.Empty());

  // A trigger below zero marks every watched cell.
  EXPECT_EQ(Detect(d, base, -1), 0);
  ExpectRect(d, 0, 0, 24, 24);
}

TEST(MotionDetector, ChangeOfExactlyTheTriggerLevelIsNoMotion) {
  const Picture base = Uniform(250, 250, {0, 0, 0});
  Picture brighter = Uniform(250, 250, {0, 0, 0});
  // Red 100 in one cell: brightness trunc(0.3 * 100) = 30.
  Fill(brighter, 50, 60, 70, 80, {0, 0, 100});
  MotionDetector atLevel = PrimedWith(base);
  EXPECT_EQ(Detect(atLevel, brighter, 30), 30);
  EXPECT_TRUE(atLevel.rect.Empty());
  MotionDetector above = PrimedWith(base);
  EXPECT_EQ(Detect(above, brighter, 29), 30);
  ExpectRect(above, 5, 7, 5, 7);
}

TEST(MotionDetector, MaskedCellIsIgnoredAndKeepsItsReference) {
  const Picture base = Uniform(250, 250, kGrey);
  Picture moved = base;
  // Column 3, band 2 (buffer rows 20..29 of a bottom-up picture) is
  // displayed row 22: its mask byte is 3 * 25 + 22.
  Fill(moved, 30, 40, 20, 30, kWhite);

  MotionDetector d = PrimedWith(base);
  DetectGrid grid{};
  grid.At(3, 22) = 1;
  d.SetMask(grid);
  EXPECT_EQ(Detect(d, moved, 10), 0);
  EXPECT_TRUE(d.rect.Empty());
  EXPECT_EQ(KeptBrightness(d, 3, 2), 100);

  // Unmasked, the cell compares with the brightness from before the mask.
  d.SetMask(DetectGrid{});
  EXPECT_EQ(Detect(d, moved, 10), 155);
  ExpectRect(d, 3, 2, 3, 2);

  // A cell masked from the start still takes its reference from the first
  // picture, so unmasking it later shows no motion that never happened.
  MotionDetector maskedFirst;
  maskedFirst.SetMask(grid);
  EXPECT_EQ(Detect(maskedFirst, moved, 10), 0);
  maskedFirst.SetMask(DetectGrid{});
  EXPECT_EQ(Detect(maskedFirst, moved, 10), 0);
  EXPECT_EQ(KeptBrightness(maskedFirst, 3, 2), 255);

  // The mask row counts from the top: row 2 is another cell.
  MotionDetector wrongRow = PrimedWith(base);
  DetectGrid top{};
  top.At(3, 2) = 1;
  wrongRow.SetMask(top);
  EXPECT_EQ(Detect(wrongRow, moved, 10), 155);
}

TEST(MotionDetector, TopDownPictureCountsBandsFromTheBottomToo) {
  // The same scene stored both ways must give the same result.
  Picture bottomUp = Uniform(250, 250, kGrey);
  Picture topDown = Uniform(250, -250, kGrey);
  MotionDetector a = PrimedWith(bottomUp);
  MotionDetector b = PrimedWith(topDown);
  // Displayed row 1 (band 23): bottom-up buffer rows 230..239, top-down 10..19.
  Fill(bottomUp, 0, 10, 230, 240, kWhite);
  Fill(topDown, 0, 10, 10, 20, kWhite);
  // Masks displayed row 23, the cell a reading of buffer rows as bands
  // would take the top-down change for.
  DetectGrid grid{};
  grid.At(0, 23) = 1;
  a.SetMask(grid);
  b.SetMask(grid);
  EXPECT_EQ(Detect(a, bottomUp, 10), 155);
  EXPECT_EQ(Detect(b, topDown, 10), 155);
  ExpectRect(a, 0, 23, 0, 23);
  ExpectRect(b, 0, 23, 0, 23);
}

TEST(MotionDetector, ThirtyTwoBitPicturesReadTheirColourBytes) {
  Picture base = Uniform(250, 250, kGrey, 32);
  MotionDetector d = PrimedWith(base);
  Picture moved = base;
  // The fourth byte is not colour.
  for (size_t i = 3; i < moved.pixels.size(); i += 4) moved.pixels[i] = 0xFF;
  EXPECT_EQ(Detect(d, moved, 10), 0);
  Fill(moved, 240, 250, 240, 250, kWhite);
  EXPECT_EQ(Detect(d, moved, 10), 155);
  ExpectRect(d, 24, 24, 24, 24);
}

TEST(MotionDetector, TinyPicturesAreSkippedWithLevelZero) {
  const Picture base = Uniform(250, 250, kGrey);
  MotionDetector d = PrimedWith(base);
  Picture moved = Uniform(250, 250, kWhite);
  EXPECT_EQ(Detect(d, moved, 10), 155);
  for (auto size : {std::pair{24, 100}, std::pair{100, 24}, std::pair{1, 1}}) {
    SCOPED_TRACE(testing::Message() << size.first << "x" << size.second);
    EXPECT_EQ(Detect(d, Uniform(size.first, size.second, {0, 0, 0}), 10), 0);
    EXPECT_EQ(d.motionLevel, 0);
    EXPECT_TRUE(d.rect.Empty());
  }
  // The reference of the last full picture is still there.
  EXPECT_EQ(Detect(d, base, 10), 155);
  // 25 x 25 is the smallest picture compared: one pixel per cell.
  MotionDetector small = PrimedWith(Uniform(25, 25, {0, 0, 0}));
  Picture dot = Uniform(25, 25, {0, 0, 0});
  Fill(dot, 24, 25, 0, 1, kWhite);
  EXPECT_EQ(Detect(small, dot, 10), 255);
  ExpectRect(small, 24, 0, 24, 0);
}

TEST(MotionDetector, NewPictureSizePrimesAgain) {
  MotionDetector d = PrimedWith(Uniform(640, 480, {0, 0, 0}));
  EXPECT_EQ(Detect(d, Uniform(480, 640, kWhite), 10), 0);
  EXPECT_TRUE(d.rect.Empty());
  EXPECT_EQ(Detect(d, Uniform(480, 640, kWhite), 10), 0);
  EXPECT_EQ(Detect(d, Uniform(480, 640, {0, 0, 0}), 10), 255);
}

TEST(MotionDetector, UnusablePictureChangesNothing) {
  MotionDetector d = PrimedWith(Uniform(250, 250, kGrey));
  EXPECT_EQ(Detect(d, Uniform(250, 250, kWhite), 10), 155);
  const MotionDetector before = d;
  auto unchanged = [&] {
    EXPECT_EQ(d.motionLevel, 155);
    EXPECT_EQ(std::memcmp(&d.rect, &before.rect, sizeof(d.rect)), 0);
    EXPECT_EQ(std::memcmp(d.previous, before.previous, sizeof(d.previous)), 0);
  };

  Picture empty = Uniform(250, 250, {0, 0, 0});
  EXPECT_EQ(Detect(d, empty.pictureInfo, nullptr, 0, 10), 0);
  unchanged();
  empty.pixels.clear();
  EXPECT_EQ(Detect(d, empty, 10), 0);
  unchanged();

  // A buffer one byte short of its description is not read.
  Picture shortBuffer = Uniform(250, 250, {0, 0, 0});
  EXPECT_EQ(Detect(d, shortBuffer.pictureInfo, shortBuffer.pixels.data(), shortBuffer.pixels.size() - 1, 10), 0);
  unchanged();

  Picture paletted = MakePicture(250, 250, 8);
  EXPECT_EQ(Detect(d, paletted, 10), 0);
  unchanged();

  // Descriptions a damaged source might send, over a buffer too small for them.
  for (auto size : {std::pair{INT32_MAX, 250}, std::pair{250, INT32_MAX}, std::pair{250, INT32_MIN},
                    std::pair{-250, 250}, std::pair{250, 0}}) {
    SCOPED_TRACE(testing::Message() << size.first << "x" << size.second);
    Picture lying = Uniform(250, 250, {0, 0, 0});
    lying.pictureInfo.header.width = size.first;
    lying.pictureInfo.header.height = size.second;
    EXPECT_EQ(Detect(d, lying, 10), 0);
    unchanged();
  }

  Picture zeroWidth = Uniform(250, 250, {0, 0, 0});
  zeroWidth.pictureInfo.header.width = 0;
  EXPECT_EQ(Detect(d, zeroWidth, 10), 0);
  unchanged();
}

}  // namespace

namespace {

// Every cell's brightness straight from its definition: the mean of each
// channel over the cell's sampled pixels, weighted 0.3, 0.59 and 0.11.
uint8_t ReferenceBrightness(const Picture& p, int column, int band) {
  const int32_t width = p.Width(), height = AbsHeight(p.Height());
  const size_t bpp = static_cast<size_t>(p.BitCount() / 8);
  const double cellWidth = width / 25.0, cellHeight = height / 25.0;
  const int x0 = static_cast<int>(cellWidth * column), y0 = static_cast<int>(cellHeight * band);
  const int w = static_cast<int>(cellWidth), h = static_cast<int>(cellHeight);
  uint64_t sum[3] = {};
  for (int y = y0; y < y0 + h; ++y) {
    const int bufferRow = p.Height() > 0 ? y : height - 1 - y;  // bands count from the bottom
    for (int x = x0; x < x0 + w; ++x)
      for (int c = 0; c < 3; ++c)
        sum[c] += p.pixels[static_cast<size_t>(bufferRow) * p.Stride() + static_cast<size_t>(x) * bpp + c];
  }
  const uint64_t n = static_cast<uint64_t>(w) * static_cast<uint64_t>(h);
  const double y = 0.3 * static_cast<double>(sum[2] / n) + 0.59 * static_cast<double>(sum[1] / n) +
                   0.11 * static_cast<double>(sum[0] / n);
  return static_cast<uint8_t>(static_cast<int>(y) & 0xFF);
}

TEST(MotionDetector, CellBrightnessMatchesItsDefinitionForEveryLayout) {
  // Wide rows are summed in several blocks, tall bands in several groups
  // of rows; odd widths pad their rows; both row orders and depths.
  const struct {
    int32_t width, height;
    int bitCount;
  } layouts[] = {{640, 480, 24}, {1920, 1080, 24}, {1283, 97, 24}, {1100, -60, 32}, {101, 7000, 24}, {37, -29, 32}};
  uint32_t seed = 12345;
  for (const auto& l : layouts) {
    Picture picture = MakePicture(l.width, l.height, l.bitCount);
    for (uint8_t& byte : picture.pixels) {
      seed = seed * 1103515245u + 12345u;
      byte = static_cast<uint8_t>(seed >> 16);
    }
    MotionDetector detector;
    Detect(detector, picture, 20);
    for (int band = 0; band < 25; ++band)
      for (int column = 0; column < 25; ++column)
        ASSERT_EQ(KeptBrightness(detector, column, band), ReferenceBrightness(picture, column, band))
            << l.width << "x" << l.height << "x" << l.bitCount << " cell " << column << "," << band;
  }
}

}  // namespace
