#pragma once

#include <cstddef>
#include <cstdint>

// Position of the first full match of the pattern at or after start, with
// found set; 0 with found clear when there is none, when buffer or pattern
// is null or empty, or when start is not below length. A match that would
// run past the end of the buffer is no match.
size_t FindBytes(const uint8_t* buffer, size_t length, const uint8_t* pattern, size_t patternLength, bool& found,
                 size_t start = 0);
