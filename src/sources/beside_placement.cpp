#include "sources/beside_placement.h"

#include <algorithm>

namespace {

constexpr int kGap = 8;

int Within(int value, int size, int low, int high) {
  return std::max(low, std::min(value, high - size));
}

}  // namespace

void PlaceBeside(const PlaceRect& anchor, int width, int height, const PlaceRect& work, int& x, int& y) {
  const int besideTop = Within(anchor.top, height, work.top, work.bottom);
  const int alignedLeft = Within(anchor.left, width, work.left, work.right);
  if (anchor.right + kGap + width <= work.right) {
    x = anchor.right + kGap;
    y = besideTop;
  } else if (anchor.left - kGap - width >= work.left) {
    x = anchor.left - kGap - width;
    y = besideTop;
  } else if (anchor.bottom + kGap + height <= work.bottom) {
    x = alignedLeft;
    y = anchor.bottom + kGap;
  } else if (anchor.top - kGap - height >= work.top) {
    x = alignedLeft;
    y = anchor.top - kGap - height;
  } else {
    const bool toRight = (anchor.left + anchor.right) / 2 < (work.left + work.right) / 2;
    const bool toBottom = (anchor.top + anchor.bottom) / 2 < (work.top + work.bottom) / 2;
    x = toRight ? work.right - width : work.left;
    y = toBottom ? work.bottom - height : work.top;
  }
}
