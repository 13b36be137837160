#pragma once
// What the layout dialog makes of its three edit fields, and whether the
// result is a layout it may apply.

struct LayoutInput {
  int columns;
  int rows;
  double aspectRatio;
};

// Leading digits as integers (0 when there are none; values beyond the int
// range clamp to it) and the aspect ratio as a floating value.
LayoutInput ParseLayoutInput(const char* columns, const char* rows, const char* aspectRatio);

// The message for the first rule the input breaks, or null when it may be
// applied: 1 to 10 columns and rows, aspect ratio 0.1 to 2.0 inclusive.
const char* LayoutInputError(const LayoutInput& input);
