#pragma once
// Where the player's timeline draws its position band and selection marks,
// and which position a click means; plain arithmetic, no <windows.h>.
// Colours are COLORREF values 0x00BBGGRR.

#include <cstdint>

// selStart / selEnd value meaning "no mark".
inline constexpr uint32_t kNoMark = 0xFFFFFFFFu;

// Row `row` of a vertical gradient of `rows` rows from `from` to `to`:
// per channel from + trunc(row * (to - from) / rows).
uint32_t GradientRowColour(uint32_t from, uint32_t to, int32_t row, int32_t rows);

struct TimelineLayout {
  int32_t barBottom;      // the bar is rows 0 .. barBottom - 1 (the upper half)
  int32_t barSplit;       // the bar's upper gradient ends here, the lower starts
  int32_t positionRight;  // the blue band covers columns 0 .. positionRight (inclusive)
  bool startShown;
  bool endShown;
  int32_t startX;
  int32_t endX;
  int32_t markTop;  // marks run over rows markTop .. markBottom - 1
  int32_t markBottom;
};

// The layout for a client area of width x height. With rangeMax 0 the band
// is empty-width at 0 and no marks show; an end mark before a start mark
// is hidden. Positions and marks past rangeMax are drawn at the end.
TimelineLayout LayoutTimeline(int32_t width, int32_t height, uint32_t rangeMax, uint32_t pos, uint32_t selStart,
                              uint32_t selEnd);

// The position of a click at client x: trunc(rangeMax * x / width), x held
// inside the control.
uint32_t TimelineClickPosition(int32_t x, int32_t width, uint32_t rangeMax);

// The timeline value of a fraction of the recording: trunc(fraction *
// rangeMax), held inside 0 .. rangeMax (a file that shrank can put the
// position past its size).
uint32_t TimelineValue(long double fraction, uint32_t rangeMax);
