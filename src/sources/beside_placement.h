#pragma once
// Where a camera's source window opens: beside the window it was opened
// from (the setup dialog), so it never covers that window's OK button, and
// inside the screen's work area.

struct PlaceRect {
  int left;
  int top;
  int right;
  int bottom;
};

// The top-left corner for a window of width x height: right of `anchor`,
// else left of it, else below, else above, each inside `work` and at the
// anchor's top (left) edge as far as the work area lets it; when none
// fits, the work area's corner farthest from the anchor's centre.
void PlaceBeside(const PlaceRect& anchor, int width, int height, const PlaceRect& work, int& x, int& y);
