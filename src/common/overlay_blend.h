#pragma once
// The arithmetic of the text overlay, without <windows.h>: where the text box
// goes, which box pixels are keyed out, and how the box blends onto what lies
// beneath. Pixels are 32-bit blue-green-red-alpha values as a 32-bit DIB
// holds them (0xAARRGGBB as an integer); colours are COLORREF-style
// 0x00BBGGRR. The key colour pure green is 0x00FF00 in both notations.

#include <cstddef>
#include <cstdint>

inline constexpr uint32_t kOverlayKeyColour = 0x00FF00;

struct BoxOffset {
  int32_t x;
  int32_t y;
};

// The box's top left corner relative to the target rectangle's, for an
// anchor code used as DrawTextA flags: 1 centre, 2 right, 4 middle,
// 8 bottom. Half sizes are truncated separately (RW / 2 - w / 2).
BoxOffset PlaceOverlayBox(int32_t rectWidth, int32_t rectHeight, int32_t boxWidth, int32_t boxHeight, int32_t anchor);

// The blend's constant alpha: the low 8 bits of the opacity setting.
inline uint8_t OverlayConstantAlpha(int32_t opacity) {
  return static_cast<uint8_t>(opacity & 0xFF);
}

// Only an opacity of exactly 255 with the key colour as background draws
// bare glyphs straight onto the target; everything else is blended.
inline bool IsDirectOverlay(int32_t opacity, uint32_t backColour, uint32_t keyColour) {
  return opacity == 255 && backColour == keyColour;
}

// Gives every box pixel its own alpha: key-coloured pixels become the key
// colour with alpha 0, all others keep their colour with alpha 255.
void KeyOverlayBox(uint32_t* pixels, size_t count, uint32_t keyColour);

// One box pixel over one target pixel, per channel
//   box * A / 255 + target * (1 - a * A / 65025), clamped to 255,
// A the constant alpha, a the box pixel's alpha. Box colours are not
// premultiplied, so a keyed pixel (a = 0) adds A times its channel / 255 to
// the target: pure green tints the picture green. The target keeps its alpha.
uint32_t BlendOverlayPixel(uint32_t box, uint32_t target, uint8_t constantAlpha);

// BlendOverlayPixel over a row of count pixels, written into target.
void BlendOverlayRow(const uint32_t* box, uint32_t* target, size_t count, uint8_t constantAlpha);
