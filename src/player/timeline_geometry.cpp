#include "player/timeline_geometry.h"

namespace {

double Fraction(uint32_t value, uint32_t rangeMax) {
  const double fraction = static_cast<double>(value) / static_cast<double>(rangeMax);
  return fraction > 1.0 ? 1.0 : fraction;
}

}  // namespace

uint32_t GradientRowColour(uint32_t from, uint32_t to, int32_t row, int32_t rows) {
  if (rows <= 0) return from & 0xFFFFFF;
  uint32_t colour = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const int64_t a = (from >> shift) & 0xFF;
    const int64_t b = (to >> shift) & 0xFF;
    const int64_t channel = a + (static_cast<int64_t>(row) * (b - a)) / rows;  // truncates toward zero
    colour |= static_cast<uint32_t>(channel) << shift;
  }
  return colour;
}

TimelineLayout LayoutTimeline(int32_t width, int32_t height, uint32_t rangeMax, uint32_t pos, uint32_t selStart,
                              uint32_t selEnd) {
  TimelineLayout layout{};
  layout.barBottom = static_cast<int32_t>(height * 0.5);
  layout.barSplit = layout.barBottom / 2;
  layout.markTop = layout.barBottom + 1;
  layout.markBottom = height - 2;
  if (rangeMax == 0) return layout;

  layout.positionRight = static_cast<int32_t>(Fraction(pos, rangeMax) * width);
  const int32_t markWidth = width - 1;
  layout.startShown = selStart != kNoMark;
  layout.endShown = selEnd != kNoMark && !(layout.startShown && selStart > selEnd);
  if (layout.startShown) layout.startX = static_cast<int32_t>(markWidth * Fraction(selStart, rangeMax));
  if (layout.endShown) layout.endX = static_cast<int32_t>(markWidth * Fraction(selEnd, rangeMax));
  return layout;
}

uint32_t TimelineClickPosition(int32_t x, int32_t width, uint32_t rangeMax) {
  if (width <= 0 || x <= 0) return 0;
  if (x > width) x = width;
  return static_cast<uint32_t>(static_cast<double>(rangeMax) * (static_cast<double>(x) / width));
}

uint32_t TimelineValue(long double fraction, uint32_t rangeMax) {
  if (!(fraction > 0)) return 0;
  if (fraction >= 1) return rangeMax;
  return static_cast<uint32_t>(fraction * rangeMax);
}
