#pragma once
// The arithmetic of the control layout helper: where a registered control
// goes when its resizable host has changed size by (dx, dy) since the
// reference. Positions are always computed from the reference rectangle plus
// the total change, so repeated resizing never drifts.
//
// Horizontal modes: 0 keep; 1 stretch (width + dx); 2 follow the right edge
// (x + dx); 3 stay centred (x + dx/2); 4 width from the new height at the
// control's own proportions; 5 x + 2 * previous right shift, previous width;
// 6 keep; 7 x + previous right shift, previous width; above 7 keep.
// Vertical modes: 0 keep; 1 stretch (height + dy); 2 follow the bottom edge
// (y + dy); 3 stay centred (y + dy/2); 4 height from the new width;
// 5 keep; 6 y + 2 * previous bottom shift, height from the width; 7 keep;
// 8 y + previous bottom shift, height from the width; above 8 keep.
// "Previous" is the control placed just before, across passes and across
// every layout of the process (zero at start): the first control of a pass
// sees what the last one of the previous pass left.

#include <cstdint>

// Sent to a host dialog, and passed on to its layout by the host's handler:
// take the current window and control rectangles as the new reference.
inline constexpr unsigned WM_LAYOUT_REMEMBER = 1024 + 701;

struct LayoutRect {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
};

struct LayoutPlacement {
  int32_t x;
  int32_t y;
  int32_t width;
  int32_t height;
};

// What the last placed control left for modes 5 to 8.
struct LayoutPrevious {
  int32_t rightShift;
  int32_t bottomShift;
  int32_t width;
  int32_t height;
};

// The process-wide previous-control values shared by every layout.
LayoutPrevious& SharedLayoutPrevious();

// Places one control from its reference rectangle and updates `previous`.
// A control without width or height has no proportions: the aspect modes
// then keep its size instead of dividing by zero.
LayoutPlacement PlaceControl(const LayoutRect& reference, int32_t horizontalMode, int32_t verticalMode, int32_t dx,
                             int32_t dy, LayoutPrevious& previous);

// Edges being dragged (the WMSZ_ values).
enum SizingEdge : int32_t {
  kSizingLeft = 1,
  kSizingRight = 2,
  kSizingTop = 3,
  kSizingTopLeft = 4,
  kSizingTopRight = 5,
  kSizingBottom = 6,
  kSizingBottomLeft = 7,
  kSizingBottomRight = 8,
};

// Keeps a proposed window rectangle at least minWidth x minHeight, moving
// the edge that is being dragged so the opposite one stays put.
void EnforceMinimumSize(LayoutRect& proposed, int32_t edge, int32_t minWidth, int32_t minHeight);
