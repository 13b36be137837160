#pragma once
// The player's three picture sizes and the window size that gives them.

#include <cstdint>

inline constexpr int kPresetSmall = 169;   // "Set to 400x300"
inline constexpr int kPresetMedium = 170;  // "Set to 640x480"
inline constexpr int kPresetLarge = 171;   // "Set to 800x600"

struct PixelSize {
  int32_t width;
  int32_t height;
};

bool IsSizePreset(int command);
// The picture area of a preset: 400, 640 or 800 wide, 0.75 as high
// (truncated); 0 x 0 for anything else.
PixelSize PresetPictureSize(int command);
// The preset a double click moves to: 169 -> 170 -> 171 -> 169, and 169
// from none (0) or anything else.
int NextSizePreset(int preset);
// The window size that makes a picture area of `picture` when the window
// now is `window` with a picture area of `current`.
PixelSize WindowSizeFor(PixelSize window, PixelSize current, PixelSize picture);
