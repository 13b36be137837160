#include "common/control_layout.h"

#include <cmath>
#include <limits>

namespace {

int32_t ClampToInt(double value) {
  if (!(value == value)) return 0;  // NaN
  constexpr double kMax = std::numeric_limits<int32_t>::max();
  constexpr double kMin = std::numeric_limits<int32_t>::min();
  if (value >= kMax) return std::numeric_limits<int32_t>::max();
  if (value <= kMin) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(std::trunc(value));
}

}  // namespace

LayoutPrevious& SharedLayoutPrevious() {
  static LayoutPrevious previous{0, 0, 0, 0};
  return previous;
}

LayoutPlacement PlaceControl(const LayoutRect& reference, int32_t horizontalMode, int32_t verticalMode, int32_t dx,
                             int32_t dy, LayoutPrevious& previous) {
  LayoutPlacement p{reference.left, reference.top, reference.right - reference.left, reference.bottom - reference.top};
  const bool hasAspect = p.width != 0 && p.height != 0;
  const double aspect = hasAspect ? static_cast<double>(p.height) / p.width : 0.0;
  const int32_t halfDx = dx / 2;  // C++ division truncates toward zero
  const int32_t halfDy = dy / 2;

  switch (horizontalMode) {
    case kLayoutStretch:
      p.width += dx;
      break;
    case kLayoutFollowEdge:
      p.x += dx;
      break;
    case kLayoutCentre:
      p.x += halfDx;
      break;
    case kLayoutBesidePreviousTwice:
      p.x += 2 * previous.rightShift;
      p.width = previous.width;
      break;
    case kLayoutBesidePrevious:
      p.x += previous.rightShift;
      p.width = previous.width;
      break;
    default:
      break;
  }

  auto heightFromWidth = [&] {
    if (hasAspect) p.height = ClampToInt(aspect * p.width);
  };
  switch (verticalMode) {
    case kLayoutStretch:
      p.height += dy;
      break;
    case kLayoutFollowEdge:
      p.y += dy;
      break;
    case kLayoutCentre:
      p.y += halfDy;
      break;
    case kLayoutAspect:
      heightFromWidth();
      break;
    case kLayoutBelowPreviousTwice:
      p.y += 2 * previous.bottomShift;
      heightFromWidth();
      break;
    case kLayoutBelowPrevious:
      p.y += previous.bottomShift;
      heightFromWidth();
      break;
    default:
      break;
  }

  if (horizontalMode == kLayoutAspect && hasAspect) p.width = ClampToInt(p.height / aspect);

  previous.rightShift = (p.x + p.width) - reference.right;
  previous.bottomShift = (p.y + p.height) - reference.bottom;
  previous.width = p.width;
  previous.height = p.height;
  return p;
}

void EnforceMinimumSize(LayoutRect& proposed, int32_t edge, int32_t minWidth, int32_t minHeight) {
  if (proposed.right - proposed.left < minWidth) {
    if (edge == kSizingLeft || edge == kSizingTopLeft || edge == kSizingBottomLeft)
      proposed.left = proposed.right - minWidth;
    else
      proposed.right = proposed.left + minWidth;
  }
  if (proposed.bottom - proposed.top < minHeight) {
    if (edge == kSizingTop || edge == kSizingTopLeft || edge == kSizingTopRight)
      proposed.top = proposed.bottom - minHeight;
    else
      proposed.bottom = proposed.top + minHeight;
  }
}
