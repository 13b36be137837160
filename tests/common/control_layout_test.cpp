#include "common/control_layout.h"

#include <gtest/gtest.h>

namespace {

LayoutRect Rect(int x, int y, int w, int h) {
  return LayoutRect{x, y, x + w, y + h};
}

void ExpectPlaced(const LayoutPlacement& p, int x, int y, int w, int h) {
  EXPECT_EQ(p.x, x);
  EXPECT_EQ(p.y, y);
  EXPECT_EQ(p.width, w);
  EXPECT_EQ(p.height, h);
}

TEST(PlaceControl, StretchFollowAndCentre) {
  LayoutPrevious prev{};
  LayoutRect r = Rect(10, 10, 200, 100);
  ExpectPlaced(PlaceControl(r, 1, 1, 50, 30, prev), 10, 10, 250, 130);
  ExpectPlaced(PlaceControl(r, 1, 1, 0, 0, prev), 10, 10, 200, 100);  // back to the reference
  ExpectPlaced(PlaceControl(r, 0, 2, 50, 30, prev), 10, 40, 200, 100);
  ExpectPlaced(PlaceControl(r, 2, 0, 50, 30, prev), 60, 10, 200, 100);
  ExpectPlaced(PlaceControl(r, 3, 3, 51, -51, prev), 35, -15, 200, 100);  // halves truncate toward zero
  ExpectPlaced(PlaceControl(r, 0, 0, 50, 30, prev), 10, 10, 200, 100);
  for (int mode : {6, 8, 9, -1}) ExpectPlaced(PlaceControl(r, mode, 0, 50, 30, prev), 10, 10, 200, 100);
  for (int mode : {5, 7, 9, 42}) ExpectPlaced(PlaceControl(r, 0, mode, 50, 30, prev), 10, 10, 200, 100);
}

TEST(PlaceControl, ProportionalModesKeepTheControlsAspect) {
  LayoutPrevious prev{};
  // 200 x 100: aspect 0.5. Stretched sideways by 51: height = trunc(0.5 * 251).
  ExpectPlaced(PlaceControl(Rect(0, 0, 200, 100), 1, 4, 51, 0, prev), 0, 0, 251, 125);
  // Height stretched by 33, width from it: trunc(133 / 0.5).
  ExpectPlaced(PlaceControl(Rect(0, 0, 200, 100), 4, 1, 0, 33, prev), 0, 0, 266, 133);
  // 3 x 7: width = trunc(10 / (7/3.0)) = 4.
  ExpectPlaced(PlaceControl(Rect(0, 0, 3, 7), 4, 1, 0, 3, prev), 0, 0, 4, 10);
}

TEST(PlaceControl, FollowersUseWhatThePreviousControlLeft) {
  LayoutPrevious prev{};
  // A stretched control grows its right edge by 40 and its bottom by 20.
  PlaceControl(Rect(10, 10, 100, 50), 1, 1, 40, 20, prev);
  EXPECT_EQ(prev.rightShift, 40);
  EXPECT_EQ(prev.bottomShift, 20);
  EXPECT_EQ(prev.width, 140);
  EXPECT_EQ(prev.height, 70);
  LayoutPrevious saved = prev;
  ExpectPlaced(PlaceControl(Rect(200, 10, 30, 30), 7, 0, 40, 20, prev), 240, 10, 140, 30);
  prev = saved;
  ExpectPlaced(PlaceControl(Rect(200, 10, 30, 30), 5, 0, 40, 20, prev), 280, 10, 140, 30);
  prev = saved;
  // Mode 8: y + bottom shift, height from the new width (aspect of 20 x 10).
  ExpectPlaced(PlaceControl(Rect(0, 100, 20, 10), 0, 8, 40, 20, prev), 0, 120, 20, 10);
  prev = saved;
  ExpectPlaced(PlaceControl(Rect(0, 100, 20, 10), 7, 6, 40, 20, prev), 40, 140, 140, 70);
  // An untouched control still records its values for the next one.
  PlaceControl(Rect(5, 5, 10, 10), 0, 0, 40, 20, prev);
  EXPECT_EQ(prev.rightShift, 0);
  EXPECT_EQ(prev.bottomShift, 0);
  EXPECT_EQ(prev.width, 10);
  EXPECT_EQ(prev.height, 10);
}

TEST(PlaceControl, ControlWithoutSizeDoesNotDivideByZero) {
  LayoutPrevious prev{};
  ExpectPlaced(PlaceControl(Rect(0, 0, 0, 20), 1, 4, 30, 0, prev), 0, 0, 30, 20);
  ExpectPlaced(PlaceControl(Rect(0, 0, 20, 0), 4, 1, 0, 30, prev), 0, 0, 20, 30);
}

TEST(SharedLayoutPrevious, IsOneProcessWideRecord) {
  LayoutPrevious& a = SharedLayoutPrevious();
  EXPECT_EQ(&a, &SharedLayoutPrevious());
}

TEST(EnforceMinimumSize, MovesTheDraggedEdge) {
  LayoutRect r{100, 100, 150, 130};  // 50 x 30, minimum 200 x 80
  LayoutRect left = r;
  EnforceMinimumSize(left, kSizingLeft, 200, 80);
  EXPECT_EQ(left.right, 150);
  EXPECT_EQ(left.left, -50);
  EXPECT_EQ(left.top, 100);
  EXPECT_EQ(left.bottom, 180);
  LayoutRect right = r;
  EnforceMinimumSize(right, kSizingRight, 200, 80);
  EXPECT_EQ(right.left, 100);
  EXPECT_EQ(right.right, 300);
  for (int edge : {kSizingTopLeft, kSizingTopRight, kSizingTop}) {
    LayoutRect top = r;
    EnforceMinimumSize(top, edge, 200, 80);
    EXPECT_EQ(top.bottom, 130);
    EXPECT_EQ(top.top, 50);
    EXPECT_EQ(top.left == -50, edge == kSizingTopLeft);
  }
  LayoutRect bottomLeft = r;
  EnforceMinimumSize(bottomLeft, kSizingBottomLeft, 200, 80);
  EXPECT_EQ(bottomLeft.left, -50);
  EXPECT_EQ(bottomLeft.bottom, 180);
  LayoutRect bigEnough{0, 0, 300, 300};
  EnforceMinimumSize(bigEnough, kSizingBottomRight, 200, 80);
  EXPECT_EQ(bigEnough.right, 300);
  EXPECT_EQ(bigEnough.bottom, 300);
}

}  // namespace
