#include "shell/first_start_size.h"

#include <algorithm>
#include <cmath>

namespace {

struct ClientSize {
  int width;
  int height;
};

ClientSize ClientFor(const GridLayout& layout, int cellWidth) {
  const int spacing = layout.cellSpacing;
  const int cellHeight = static_cast<int>(std::ceil(layout.aspectRatio * cellWidth));
  return {layout.columns * cellWidth + (layout.columns + 1) * spacing,
          layout.rows * cellHeight + (layout.rows + 1) * spacing};
}

}  // namespace

ScreenRect FirstStartPlacement(const GridLayout& layout, int frameWidth, int frameHeight, const ScreenRect& workArea) {
  const int roomWidth = workArea.width - frameWidth;
  const int roomHeight = workArea.height - frameHeight;
  int cellWidth = kFirstStartCellWidth;
  // Few steps: the cell shrinks only until the grid fits the screen.
  while (cellWidth > 1) {
    const ClientSize client = ClientFor(layout, cellWidth);
    if (client.width <= roomWidth && client.height <= roomHeight) break;
    --cellWidth;
  }
  const ClientSize client = ClientFor(layout, cellWidth);
  const int width = client.width + frameWidth;
  const int height = client.height + frameHeight;
  return {workArea.x + std::max(0, (workArea.width - width) / 2),
          workArea.y + std::max(0, (workArea.height - height) / 2), width, height};
}
