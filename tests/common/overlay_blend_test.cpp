#include "common/overlay_blend.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

uint32_t Channel(uint32_t pixel, int index) {
  return (pixel >> (index * 8)) & 0xFF;
}

TEST(OverlayPlacement, EveryAnchorOfTheNine) {
  // Rectangle 101 x 51, box 10 x 7: half sizes are truncated one by one.
  struct Case {
    int32_t anchor, x, y;
  } cases[] = {{0, 0, 0},   {1, 45, 0}, {2, 91, 0},  {4, 0, 22},  {5, 45, 22},
               {6, 91, 22}, {8, 0, 44}, {9, 45, 44}, {10, 91, 44}};
  for (const Case& c : cases) {
    const BoxOffset offset = PlaceOverlayBox(101, 51, 10, 7, c.anchor);
    EXPECT_EQ(offset.x, c.x) << "anchor " << c.anchor;
    EXPECT_EQ(offset.y, c.y) << "anchor " << c.anchor;
  }
  // 100 / 2 - 11 / 2 = 45, not (100 - 11) / 2 = 44.
  EXPECT_EQ(PlaceOverlayBox(100, 10, 11, 3, 5).x, 45);
  // A box wider than the rectangle goes to the left of it when right-aligned.
  EXPECT_EQ(PlaceOverlayBox(20, 10, 30, 3, 2).x, -10);
}

TEST(OverlayOpacity, LowEightBitsAreTheAlphaAndOnly255WithKeyIsDirect) {
  EXPECT_EQ(OverlayConstantAlpha(255), 255);
  EXPECT_EQ(OverlayConstantAlpha(256), 0);
  EXPECT_EQ(OverlayConstantAlpha(300), 44);
  EXPECT_TRUE(IsDirectOverlay(255, kOverlayKeyColour, kOverlayKeyColour));
  EXPECT_FALSE(IsDirectOverlay(254, kOverlayKeyColour, kOverlayKeyColour));
  EXPECT_FALSE(IsDirectOverlay(511, kOverlayKeyColour, kOverlayKeyColour));
  EXPECT_FALSE(IsDirectOverlay(255, 0x000000, kOverlayKeyColour));
}

TEST(OverlayKeying, KeyColourLosesAlphaOthersBecomeOpaque) {
  std::vector<uint32_t> box = {0x0000FF00, 0x7F00FF00, 0x0000FF01, 0x00123456, 0xAB000000};
  KeyOverlayBox(box.data(), box.size(), kOverlayKeyColour);
  EXPECT_EQ(box[0], 0x0000FF00u);
  EXPECT_EQ(box[1], 0x0000FF00u);  // stray alpha from the driver does not matter
  EXPECT_EQ(box[2], 0xFF00FF01u);  // one off the key is a colour of its own
  EXPECT_EQ(box[3], 0xFF123456u);
  EXPECT_EQ(box[4], 0xFF000000u);
}

TEST(OverlayBlend, KeyedPixelAddsConstantAlphaToGreenClamped) {
  const uint32_t key = 0x0000FF00;     // keyed: alpha 0
  const uint32_t target = 0x00286450;  // r 0x28, g 0x64, b 0x50
  const uint32_t at254 = BlendOverlayPixel(key, target, 254);
  EXPECT_EQ(Channel(at254, 0), 0x50u);
  EXPECT_EQ(Channel(at254, 1), 255u);
  EXPECT_EQ(Channel(at254, 2), 0x28u);
  const uint32_t at44 = BlendOverlayPixel(key, target, 44);
  EXPECT_EQ(Channel(at44, 1), 0x64u + 44u);
  EXPECT_EQ(Channel(at44, 0), 0x50u);
  EXPECT_EQ(BlendOverlayPixel(key, target, 0), target);
}

TEST(OverlayBlend, OpaquePixelMixesByConstantAlpha) {
  const uint32_t box = 0xFFC80000;     // red 200
  const uint32_t target = 0x00280000;  // red 40
  EXPECT_EQ(BlendOverlayPixel(box, target, 255) & 0xFFFFFF, 0xC80000u);
  EXPECT_EQ(BlendOverlayPixel(box, target, 0), target);
  // 200 * 44 / 255 + 40 * 211 / 255 = 67.6
  EXPECT_EQ(Channel(BlendOverlayPixel(box, target, 44), 2), 68u);
  // Channels never wrap into their neighbours.
  EXPECT_EQ(BlendOverlayPixel(0xFFFFFFFF, 0x00FFFFFF, 128), 0x00FFFFFFu);
  // The target's own alpha byte stays.
  EXPECT_EQ(BlendOverlayPixel(0xFF000000, 0x55000000, 255), 0x55000000u);
}

TEST(OverlayBlend, RowBlendsEachPixelInPlace) {
  const uint32_t box[3] = {0x0000FF00, 0xFF0000FF, 0x0000FF00};
  uint32_t target[3] = {0x00000000, 0x00000000, 0x00FF00FF};
  BlendOverlayRow(box, target, 3, 255);
  EXPECT_EQ(target[0], 0x0000FF00u);
  EXPECT_EQ(target[1], 0x000000FFu);
  EXPECT_EQ(target[2], 0x00FFFFFFu);
}

}  // namespace
