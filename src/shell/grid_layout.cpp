#include "shell/grid_layout.h"

#include <cmath>
#include <cstring>

GridLayout DefaultGridLayout() {
  GridLayout layout;
  std::memset(&layout, 0, sizeof layout);
  layout.cellSpacing = 5;
  layout.columns = 4;
  layout.rows = 3;
  layout.aspectRatio = 0.75;
  return layout;
}

bool RepairGridLayout(GridLayout& layout) {
  const GridLayout defaults = DefaultGridLayout();
  bool repaired = false;
  auto replace = [&repaired](auto& field, auto value) {
    field = value;
    repaired = true;
  };
  if (layout.cellSpacing < 1 || layout.cellSpacing > kMaxCellSpacing) replace(layout.cellSpacing, defaults.cellSpacing);
  if (layout.columns < kMinGridSide || layout.columns > kMaxGridSide) replace(layout.columns, defaults.columns);
  if (layout.rows < kMinGridSide || layout.rows > kMaxGridSide) replace(layout.rows, defaults.rows);
  // Written as a negated range test so that NaN fails it too.
  if (!(layout.aspectRatio >= kMinAspectRatio && layout.aspectRatio <= kMaxAspectRatio)) {
    replace(layout.aspectRatio, defaults.aspectRatio);
  }
  return repaired;
}

std::vector<CellRect> LayoutCells(const GridLayout& layout, int clientWidth, int clientHeight) {
  GridLayout sane = layout;
  RepairGridLayout(sane);
  const double W = clientWidth, H = clientHeight;
  const double S = sane.cellSpacing, C = sane.columns, R = sane.rows, A = sane.aspectRatio;

  double cw = (W - (C + 1) * S) / C;
  double ch = A * cw;
  double offX = 0;
  double offY = (H - R * ch - (R + 1) * S) * 0.5;
  if (offY < 0) {
    ch = (H - (R + 1) * S) / R;
    cw = ch / A;
    offX = (W - C * cw - (C + 1) * S) * 0.5;
    offY = 0;
  }
  const int cellW = cw > 0 ? static_cast<int>(std::trunc(cw)) : 0;
  const int cellH = ch > 0 ? static_cast<int>(std::trunc(ch)) : 0;
  const int x0 = static_cast<int>(std::trunc(offX));
  const int y0 = static_cast<int>(std::trunc(offY));
  const int spacing = sane.cellSpacing;

  std::vector<CellRect> cells;
  cells.reserve(static_cast<size_t>(sane.columns * sane.rows));
  for (int r = 0; r < sane.rows; ++r) {
    for (int c = 0; c < sane.columns; ++c) {
      cells.push_back({x0 + spacing + c * (cellW + spacing), y0 + spacing + r * (cellH + spacing), cellW, cellH});
    }
  }
  return cells;
}
