#include "web/grid_picture.h"

#include <algorithm>
#include <cstring>

namespace {

int Clamp(int value, int low, int high) {
  return std::min(std::max(value, low), high);
}

// Nearest-neighbour scaling of `source` into the cell whose top-left corner
// is (left, top) counted from the top of `target`.
void ScaleInto(const Picture& source, Picture& target, int left, int top, int width, int height) {
  const int sourceWidth = source.Width();
  const int sourceHeight = AbsHeight(source.Height());
  const bool sourceBottomUp = source.Height() > 0;
  const int targetHeight = target.Height();
  const size_t sourceStride = source.Stride(), targetStride = target.Stride();
  std::vector<int> columns(static_cast<size_t>(width));
  for (int x = 0; x < width; ++x)
    columns[static_cast<size_t>(x)] = static_cast<int>(int64_t{x} * sourceWidth / width) * 3;
  for (int y = 0; y < height; ++y) {
    const int fromTop = static_cast<int>(int64_t{y} * sourceHeight / height);
    const int sourceRow = sourceBottomUp ? sourceHeight - 1 - fromTop : fromTop;
    const uint8_t* from = source.pixels.data() + static_cast<size_t>(sourceRow) * sourceStride;
    uint8_t* to = target.pixels.data() + static_cast<size_t>(targetHeight - 1 - (top + y)) * targetStride +
                  static_cast<size_t>(left) * 3;
    for (int x = 0; x < width; ++x) std::memcpy(to + x * 3, from + columns[static_cast<size_t>(x)], 3);
  }
}

}  // namespace

void GridCellSize(const WebGridShape& shape, int& cellWidth, int& cellHeight) {
  const int columns = Clamp(shape.columns, 1, 10);
  cellWidth = std::max(8, (kGridPictureWidth - kGridGap * (columns + 1)) / columns);
  const double aspect = std::clamp(shape.aspectRatio, 0.1, 2.0);
  const int rows = Clamp(shape.rows, 1, 10);
  const int tallest = (kGridPictureMaxHeight - kGridGap * (rows + 1)) / rows;
  cellHeight = std::max(8, std::min(tallest, static_cast<int>(cellWidth * aspect + 0.5)));
}

Picture ComposeGridPicture(const WebGridShape& shape, const std::vector<const Picture*>& pictures) {
  const int columns = Clamp(shape.columns, 1, 10), rows = Clamp(shape.rows, 1, 10);
  int cellWidth = 0, cellHeight = 0;
  GridCellSize(shape, cellWidth, cellHeight);
  const int width = std::max(kGridPictureWidth, columns * cellWidth + (columns + 1) * kGridGap) + columns;
  const int height = rows * cellHeight + (rows + 1) * kGridGap;
  Picture grid = MakePicture(width, height);
  std::fill(grid.pixels.begin(), grid.pixels.end(), kGridBackground);
  const size_t cells = std::min(pictures.size(), static_cast<size_t>(columns * rows));
  for (size_t k = 0; k < cells; ++k) {
    const Picture* picture = pictures[k];
    if (!picture || picture->BitCount() != 24 || !picture->HasPixels()) continue;
    const int column = static_cast<int>(k) % columns, row = static_cast<int>(k) / columns;
    ScaleInto(*picture, grid, kGridGap + column * (cellWidth + kGridGap), kGridGap + row * (cellHeight + kGridGap),
              cellWidth, cellHeight);
  }
  return grid;
}
