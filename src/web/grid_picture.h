#pragma once
// The picture of the whole camera grid for the $GRID stream: every camera's
// current picture scaled into its cell, cells laid out as the main window
// lays them out (columns, rows, cell height / width, row by row from the
// top), one gap of kGridGap pixels between and around them. The picture is
// kGridPictureWidth + columns pixels wide (the rest is background on the
// right), so a page can tell the columns, and with the camera count the
// rows and cells, from the picture alone.

#include <cstdint>
#include <vector>

#include "common/picture.h"

struct WebGridShape {
  int columns = 4;
  int rows = 3;
  double aspectRatio = 0.75;  // cell height / cell width
};

inline constexpr int kGridGap = 4;
// The whole picture is at most this wide (cells of 316 pixels in the default
// 4 x 3 grid): enough to tell cameras apart on a desktop, small enough for
// a phone's connection at the grid's pace.
inline constexpr int kGridPictureWidth = 1280;
// Tall layouts (one column of ten cells of aspect 2) are flattened to this
// height rather than costing a picture of 25000 rows.
inline constexpr int kGridPictureMaxHeight = 2048;
inline constexpr uint8_t kGridBackground = 24;  // dark grey, also for cells without a picture

// Cell size for a shape: (kGridPictureWidth - the gaps) / columns, height
// by the aspect ratio within kGridPictureMaxHeight; both at least 8 pixels.
void GridCellSize(const WebGridShape& shape, int& cellWidth, int& cellHeight);

// `pictures` holds one entry per cell in grid order; null (or a picture
// that is not 24-bit) leaves the cell empty. Pictures beyond the cell count
// are ignored.
Picture ComposeGridPicture(const WebGridShape& shape, const std::vector<const Picture*>& pictures);
