#include "sources/beside_placement.h"

#include <gtest/gtest.h>

namespace {

TEST(BesidePlacementTest, RightThenLeftThenBelowThenAboveInsideTheWorkArea) {
  const struct {
    PlaceRect anchor;
    int x, y;
    const char* where;
  } cases[] = {
      {{340, 300, 940, 700}, 948, 300, "right of a centred dialog"},
      {{700, 300, 1200, 700}, 392, 300, "left when the right has no room"},
      {{100, 100, 1200, 500}, 100, 508, "below a wide dialog"},
      {{100, 500, 1200, 900}, 100, 92, "above a wide dialog low down"},
      {{0, 0, 1000, 800}, 980, 600, "no side free: the corner away from the dialog"},
  };
  for (const auto& c : cases) {
    int x = -1, y = -1;
    PlaceBeside(c.anchor, 300, 400, {0, 0, 1280, 1000}, x, y);
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(c.x, c.y)) << c.where;
  }
}

}  // namespace
