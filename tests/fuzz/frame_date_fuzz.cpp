// Arbitrary bytes as a frame whose capture date the player shows, and as
// the text of the delay field.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "player/player_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (const auto date = FrameDateText(data, size)) {
    if (date->empty() || date->size() >= 260) std::abort();
  }
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const uint32_t delay = ParseDelay(text);
  if (size == 0 && delay != 0) std::abort();
  return 0;
}
