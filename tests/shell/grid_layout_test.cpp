#include "shell/grid_layout.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

std::vector<int> Xs(const std::vector<CellRect>& cells, int columns) {
  std::vector<int> xs;
  for (int c = 0; c < columns; ++c) xs.push_back(cells[c].x);
  return xs;
}

std::vector<int> Ys(const std::vector<CellRect>& cells, int columns, int rows) {
  std::vector<int> ys;
  for (int r = 0; r < rows; ++r) ys.push_back(cells[r * columns].y);
  return ys;
}

TEST(GridLayoutTest, DefaultLayoutFillsTheWidthAndCentresVertically) {
  const std::vector<CellRect> cells = LayoutCells(DefaultGridLayout(), 640, 480);
  ASSERT_EQ(cells.size(), 12u);
  for (const CellRect& cell : cells) {
    EXPECT_EQ(cell.width, 153);
    EXPECT_EQ(cell.height, 115);
  }
  EXPECT_EQ(Xs(cells, 4), (std::vector<int>{5, 163, 321, 479}));
  EXPECT_EQ(Ys(cells, 4, 3), (std::vector<int>{62, 182, 302}));
  // Grid order: row by row.
  EXPECT_EQ(cells[5].x, 163);
  EXPECT_EQ(cells[5].y, 182);
}

TEST(GridLayoutTest, WideLowWindowFillsTheHeightAndCentresHorizontally) {
  // ch = (300 - 20) / 3 = 93.33, cw = 124.44, offX = (1000 - 497.78 - 25) / 2 = 238.6
  const std::vector<CellRect> cells = LayoutCells(DefaultGridLayout(), 1000, 300);
  ASSERT_EQ(cells.size(), 12u);
  EXPECT_EQ(cells[0].width, 124);
  EXPECT_EQ(cells[0].height, 93);
  EXPECT_EQ(Xs(cells, 4), (std::vector<int>{243, 372, 501, 630}));
  EXPECT_EQ(Ys(cells, 4, 3), (std::vector<int>{5, 103, 201}));
  const int left = cells[0].x, right = 1000 - (cells[3].x + cells[3].width);
  EXPECT_LE(std::abs(left - right), 4);
}

TEST(GridLayoutTest, OneCellAndTenByTen) {
  GridLayout layout = DefaultGridLayout();
  layout.columns = 1;
  layout.rows = 1;
  layout.aspectRatio = 1.0;
  const std::vector<CellRect> one = LayoutCells(layout, 210, 410);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].x, 5);
  EXPECT_EQ(one[0].y, 105);
  EXPECT_EQ(one[0].width, 200);
  EXPECT_EQ(one[0].height, 200);

  layout.columns = layout.rows = 10;
  EXPECT_EQ(LayoutCells(layout, 800, 600).size(), 100u);
}

TEST(GridLayoutTest, TinyWindowGivesEmptyCellsNotNegativeOnes) {
  for (const CellRect& cell : LayoutCells(DefaultGridLayout(), 3, 2)) {
    EXPECT_GE(cell.width, 0);
    EXPECT_GE(cell.height, 0);
  }
}

TEST(GridLayoutTest, RepairReplacesOnlyTheFieldsOutOfRange) {
  GridLayout layout{0, 11, 10, {}, 0.1};
  EXPECT_TRUE(RepairGridLayout(layout));
  EXPECT_EQ(layout.cellSpacing, 5);
  EXPECT_EQ(layout.columns, 4);
  EXPECT_EQ(layout.rows, 10);
  EXPECT_EQ(layout.aspectRatio, 0.1);

  GridLayout bad{7, 1, -2, {}, std::numeric_limits<double>::infinity()};
  EXPECT_TRUE(RepairGridLayout(bad));
  EXPECT_EQ(bad.cellSpacing, 7);
  EXPECT_EQ(bad.rows, 3);
  EXPECT_EQ(bad.aspectRatio, 0.75);

  GridLayout good{5, 10, 1, {}, 2.0};
  EXPECT_FALSE(RepairGridLayout(good));

  // A damaged layout never divides by zero or builds more than 100 cells.
  GridLayout zero{5, 0, 0, {}, 0.0};
  EXPECT_EQ(LayoutCells(zero, 640, 480).size(), 12u);
}

}  // namespace
