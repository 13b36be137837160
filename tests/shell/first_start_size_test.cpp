#include "shell/first_start_size.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr int kFrameWidth = 16, kFrameHeight = 39;

TEST(FirstStartSizeTest, CellsOf320WhereTheScreenAllowsCentred) {
  const GridLayout layout = DefaultGridLayout();
  // A large screen: 4 x 320 + 5 x 5 wide, 3 x 240 + 4 x 5 high, centred.
  ScreenRect placed = FirstStartPlacement(layout, kFrameWidth, kFrameHeight, {0, 0, 1920, 1040});
  EXPECT_EQ(placed.width, 1305 + kFrameWidth);
  EXPECT_EQ(placed.height, 740 + kFrameHeight);
  EXPECT_EQ(placed.x, (1920 - placed.width) / 2);
  EXPECT_EQ(placed.y, (1040 - placed.height) / 2);
  std::vector<CellRect> cells = LayoutCells(layout, placed.width - kFrameWidth, placed.height - kFrameHeight);
  EXPECT_EQ(cells[0].width, 320);
  EXPECT_EQ(cells[0].height, 240);
  // A work area that does not start at the origin (a second screen).
  placed = FirstStartPlacement(layout, kFrameWidth, kFrameHeight, {1920, 100, 1920, 1040});
  EXPECT_EQ(placed.x, 1920 + (1920 - placed.width) / 2);
  EXPECT_EQ(placed.y, 100 + (1040 - placed.height) / 2);

  // Too narrow a screen: the largest cells that fit, the window inside it.
  for (const ScreenRect work :
       {ScreenRect{0, 0, 1280, 1004}, ScreenRect{0, 0, 1024, 738}, ScreenRect{0, 0, 800, 1200}}) {
    placed = FirstStartPlacement(layout, kFrameWidth, kFrameHeight, work);
    EXPECT_LE(placed.width, work.width);
    EXPECT_LE(placed.height, work.height);
    EXPECT_GE(placed.x, work.x);
    EXPECT_GE(placed.y, work.y);
    cells = LayoutCells(layout, placed.width - kFrameWidth, placed.height - kFrameHeight);
    const int cellWidth = cells[0].width;
    EXPECT_LT(cellWidth, 320);
    // One pixel wider would not fit.
    const int neededWidth = 4 * (cellWidth + 1) + 25 + kFrameWidth;
    const int neededHeight = 3 * static_cast<int>(std::ceil(0.75 * (cellWidth + 1))) + 20 + kFrameHeight;
    EXPECT_TRUE(neededWidth > work.width || neededHeight > work.height) << cellWidth;
  }
  // A tall layout is limited by the height: 1 x 10 cells of aspect 2.
  GridLayout tall = layout;
  tall.columns = 1;
  tall.rows = 10;
  tall.aspectRatio = 2.0;
  placed = FirstStartPlacement(tall, kFrameWidth, kFrameHeight, {0, 0, 1920, 1040});
  EXPECT_LE(placed.height, 1040);
  // One pixel more of cell width adds 10 x 2 pixels of height.
  EXPECT_GT(placed.height + 10 * 2, 1040);
  // A screen smaller than the frame still gives a window of cells one wide.
  placed = FirstStartPlacement(layout, kFrameWidth, kFrameHeight, {0, 0, 20, 20});
  EXPECT_EQ(placed.width, 4 + 25 + kFrameWidth);
}

}  // namespace
