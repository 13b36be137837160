#include "player/size_presets.h"

bool IsSizePreset(int command) {
  return command >= kPresetSmall && command <= kPresetLarge;
}

PixelSize PresetPictureSize(int command) {
  int32_t width = 0;
  if (command == kPresetSmall)
    width = 400;
  else if (command == kPresetMedium)
    width = 640;
  else if (command == kPresetLarge)
    width = 800;
  return {width, static_cast<int32_t>(width * 0.75)};
}

int NextSizePreset(int preset) {
  if (preset == kPresetSmall) return kPresetMedium;
  if (preset == kPresetMedium) return kPresetLarge;
  return kPresetSmall;
}

PixelSize WindowSizeFor(PixelSize window, PixelSize current, PixelSize picture) {
  return {window.width - current.width + picture.width, window.height - current.height + picture.height};
}
