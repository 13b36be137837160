#include "common/overlay_blend.h"

BoxOffset PlaceOverlayBox(int32_t rectWidth, int32_t rectHeight, int32_t boxWidth, int32_t boxHeight, int32_t anchor) {
  BoxOffset offset{0, 0};
  if (anchor & 2)
    offset.x = rectWidth - boxWidth;
  else if (anchor & 1)
    offset.x = rectWidth / 2 - boxWidth / 2;
  if (anchor & 8)
    offset.y = rectHeight - boxHeight;
  else if (anchor & 4)
    offset.y = rectHeight / 2 - boxHeight / 2;
  return offset;
}

void KeyOverlayBox(uint32_t* pixels, size_t count, uint32_t keyColour) {
  const uint32_t key = keyColour & 0xFFFFFF;
  for (size_t i = 0; i < count; ++i) {
    const uint32_t colour = pixels[i] & 0xFFFFFF;
    pixels[i] = colour == key ? key : colour | 0xFF000000u;
  }
}

uint32_t BlendOverlayPixel(uint32_t box, uint32_t target, uint8_t constantAlpha) {
  const uint32_t a = box >> 24;
  const uint32_t boxWeight = constantAlpha * 255u;           // box * A / 255, scaled by 65025
  const uint32_t targetWeight = 65025u - a * constantAlpha;  // 1 - a * A / 65025, scaled by 65025
  uint32_t result = target & 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t b = (box >> shift) & 0xFF;
    const uint32_t t = (target >> shift) & 0xFF;
    uint32_t channel = (b * boxWeight + t * targetWeight + 32512u) / 65025u;
    if (channel > 255) channel = 255;
    result |= channel << shift;
  }
  return result;
}

void BlendOverlayRow(const uint32_t* box, uint32_t* target, size_t count, uint8_t constantAlpha) {
  for (size_t i = 0; i < count; ++i) target[i] = BlendOverlayPixel(box[i], target[i], constantAlpha);
}
