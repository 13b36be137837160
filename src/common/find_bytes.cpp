#include "common/find_bytes.h"

#include <cstring>

size_t FindBytes(const uint8_t* buffer, size_t length, const uint8_t* pattern, size_t patternLength, bool& found,
                 size_t start) {
  found = false;
  if (!buffer || !pattern || length == 0 || patternLength == 0 || start >= length) return 0;
  if (patternLength > length - start) return 0;
  const size_t last = length - patternLength;
  const uint8_t first = pattern[0];
  for (size_t at = start; at <= last;) {
    const void* hit = std::memchr(buffer + at, first, last - at + 1);
    if (!hit) return 0;
    at = static_cast<const uint8_t*>(hit) - buffer;
    if (std::memcmp(buffer + at, pattern, patternLength) == 0) {
      found = true;
      return at;
    }
    ++at;
  }
  return 0;
}
