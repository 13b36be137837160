#pragma once
// The export's frame rate from the player's delay field.

#include <cstdint>

// 1000 / delay frames per second, 30 for a delay of 0; delays above one
// second would give 0, a rate no player can show, so they give 1.
inline uint32_t ExportFrameRate(uint32_t delayMilliseconds) {
  if (delayMilliseconds == 0) return 30;
  const uint32_t rate = 1000 / delayMilliseconds;
  return rate == 0 ? 1 : rate;
}
