#pragma once
// Where the main window opens when there is no configuration file yet: big
// enough that each cell of the grid is a usable picture, but never larger
// than the screen, and centred on it.

#include "shell/grid_layout.h"

inline constexpr int kFirstStartCellWidth = 320;

struct ScreenRect {
  int x;
  int y;
  int width;
  int height;
};

// The outer window rectangle for `layout`: its client area holds cells of
// kFirstStartCellWidth pixels (height by the aspect ratio) where the work
// area allows, else the largest cells that fit; centred in the work area.
// frameWidth and frameHeight: the window's outer size less its client size.
ScreenRect FirstStartPlacement(const GridLayout& layout, int frameWidth, int frameHeight, const ScreenRect& workArea);
