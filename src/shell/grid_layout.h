#pragma once
// The camera grid's layout record (the second record of the configuration
// file, so its layout is a file format) and the arithmetic that places the
// cells in the main window.

#include <cstddef>
#include <cstdint>
#include <vector>

struct GridLayout {
  int32_t cellSpacing;  // pixels between cells and round the grid
  int32_t columns;      // 1 to 10
  int32_t rows;         // 1 to 10
  uint8_t padding[4];
  double aspectRatio;  // cell height / cell width, 0.1 to 2.0
};
static_assert(sizeof(GridLayout) == 24);
static_assert(offsetof(GridLayout, cellSpacing) == 0);
static_assert(offsetof(GridLayout, columns) == 4);
static_assert(offsetof(GridLayout, rows) == 8);
static_assert(offsetof(GridLayout, padding) == 12);
static_assert(offsetof(GridLayout, aspectRatio) == 16);

inline constexpr int32_t kMinGridSide = 1;
inline constexpr int32_t kMaxGridSide = 10;
inline constexpr double kMinAspectRatio = 0.1;
inline constexpr double kMaxAspectRatio = 2.0;
inline constexpr int32_t kMaxCellSpacing = 100;

// 5 pixels, 4 columns, 3 rows, 0.75.
GridLayout DefaultGridLayout();
// A layout read from a damaged file: each field outside what the dialogs
// allow (spacing 1 to 100, sides 1 to 10, aspect 0.1 to 2.0) takes its
// default, so a damaged file never asks for hundreds of cameras or a zero
// divisor. True when something was replaced.
bool RepairGridLayout(GridLayout& layout);

struct CellRect {
  int x;
  int y;
  int width;
  int height;
};

// Every cell in grid order (row by row from the top, left to right) for a
// client area of width x height: the width is filled and the grid centred
// vertically when it fits, otherwise the height is filled and the grid
// centred horizontally. Cells never get a negative size.
std::vector<CellRect> LayoutCells(const GridLayout& layout, int clientWidth, int clientHeight);
