#include "web/grid_picture.h"

#include <gtest/gtest.h>

namespace {

Picture Solid(int width, int height, uint8_t b, uint8_t g, uint8_t r) {
  Picture picture = MakePicture(width, height);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = picture.pixels.data() + static_cast<size_t>(y) * picture.Stride();
    for (int x = 0; x < width; ++x) {
      row[x * 3] = b;
      row[x * 3 + 1] = g;
      row[x * 3 + 2] = r;
    }
  }
  return picture;
}

// The pixel (x, y) counted from the top of a bottom-up picture, as 0xRRGGBB.
uint32_t At(const Picture& picture, int x, int y) {
  const uint8_t* p = picture.pixels.data() + static_cast<size_t>(picture.Height() - 1 - y) * picture.Stride() + x * 3;
  return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

}  // namespace

TEST(GridPicture, CellsFollowTheGridOrderAspectAndGaps) {
  const WebGridShape shape{3, 2, 0.5};
  int cellWidth = 0, cellHeight = 0;
  GridCellSize(shape, cellWidth, cellHeight);
  EXPECT_EQ(cellWidth, (kGridPictureWidth - 4 * kGridGap) / 3);
  EXPECT_EQ(cellHeight, (cellWidth + 1) / 2);
  Picture red = Solid(64, 48, 0, 0, 255), green = Solid(640, 480, 0, 255, 0), blue = Solid(33, 17, 255, 0, 0);
  Picture grid = ComposeGridPicture(shape, {&red, nullptr, &green, &blue});
  ASSERT_EQ(grid.Width(), kGridPictureWidth + 3) << "the columns can be read from the width";
  ASSERT_EQ(grid.Height(), 2 * cellHeight + 3 * kGridGap);
  EXPECT_LE(3 * cellWidth + 4 * kGridGap, kGridPictureWidth);
  const uint32_t background = kGridBackground * 0x010101u;
  auto cellCentre = [&](int column, int row) {
    return At(grid, kGridGap + column * (cellWidth + kGridGap) + cellWidth / 2,
              kGridGap + row * (cellHeight + kGridGap) + cellHeight / 2);
  };
  EXPECT_EQ(cellCentre(0, 0), 0xFF0000u);
  EXPECT_EQ(cellCentre(1, 0), background) << "a camera without a picture";
  EXPECT_EQ(cellCentre(2, 0), 0x00FF00u);
  EXPECT_EQ(cellCentre(0, 1), 0x0000FFu) << "row by row from the top";
  EXPECT_EQ(cellCentre(1, 1), background) << "no camera for the cell";
  // Each picture fills its cell edge to edge, and the gaps stay clear.
  EXPECT_EQ(At(grid, kGridGap, kGridGap), 0xFF0000u);
  EXPECT_EQ(At(grid, kGridGap + cellWidth - 1, kGridGap + cellHeight - 1), 0xFF0000u);
  EXPECT_EQ(At(grid, kGridGap + cellWidth, kGridGap), background);
  EXPECT_EQ(At(grid, 0, 0), background);
}

TEST(GridPicture, TopOfEachPictureStaysOnTopAndOddShapesAreClamped) {
  Picture picture = Solid(4, 4, 0, 0, 0);
  // Top row (the last buffer row of a bottom-up picture) white.
  for (int x = 0; x < 4; ++x)
    for (int c = 0; c < 3; ++c) picture.pixels[3 * picture.Stride() + x * 3 + c] = 255;
  Picture grid = ComposeGridPicture({1, 1, 1.0}, {&picture});
  EXPECT_EQ(At(grid, kGridGap + 5, kGridGap), 0xFFFFFFu);
  EXPECT_EQ(At(grid, kGridGap + 5, grid.Height() - kGridGap - 1), 0u);

  Picture odd = ComposeGridPicture({0, 99, 50.0}, {});
  EXPECT_GT(odd.Width(), 0);
  EXPECT_GT(odd.Height(), 0);
  EXPECT_EQ(odd.Width(), kGridPictureWidth + 1);
  EXPECT_LE(odd.Height(), kGridPictureMaxHeight) << "1 column, 10 rows, aspect 2: flattened";
  EXPECT_GT(odd.Height(), kGridPictureMaxHeight - 10 - 11 * kGridGap);
}
