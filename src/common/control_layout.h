#pragma once
// The arithmetic of the control layout helper: where a registered control
// goes when its resizable host has changed size by (dx, dy) since the
// reference. Positions are always computed from the reference rectangle plus
// the total change, so repeated resizing never drifts.
//
// "Previous" is the control placed just before, across passes and across
// every layout of the process (zero at start): the first control of a pass
// sees what the last one of the previous pass left.

#include <cstdint>

// How a control follows the host, across (horizontal) or down (vertical).
// The values are those of the stored layouts; any other value keeps.
enum LayoutMode : int32_t {
  kLayoutKeep = 0,
  kLayoutStretch = 1,     // width + dx, height + dy
  kLayoutFollowEdge = 2,  // x + dx, y + dy: with the right or bottom edge
  kLayoutCentre = 3,      // x + dx/2, y + dy/2
  // Horizontal: width from the new height; vertical: height from the new
  // width; both at the control's own proportions.
  kLayoutAspect = 4,
  // Horizontal only: x + 2 * previous right shift, previous width.
  kLayoutBesidePreviousTwice = 5,
  // Vertical only: y + 2 * previous bottom shift, height from the width.
  kLayoutBelowPreviousTwice = 6,
  // Horizontal only: x + previous right shift, previous width.
  kLayoutBesidePrevious = 7,
  // Vertical only: y + previous bottom shift, height from the width.
  kLayoutBelowPrevious = 8,
};

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

// What the last placed control left for the modes that follow it.
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
