#pragma once
// Expands the time conversions of an overlay text ("%Y-%m-%d %H:%M:%S")
// for one moment. Only the conversions every C library knows (a A b B c d H
// I j m M p S U w W x X y Y z Z %, each optionally with the '#' flag) are
// expanded; anything else after a '%' is kept as typed, so a text such as
// "100% sure" shows as written instead of tripping the library's check for
// invalid formats, which ends the program on Windows.

#include <cstddef>
#include <ctime>

// Writes the expansion, always NUL-terminated, into out. Returns false when
// it had to be cut to fit capacity - 1 characters (or capacity is 0).
bool ExpandOverlayText(const char* pattern, const std::tm& time, char* out, size_t capacity);

template <size_t N>
bool ExpandOverlayText(const char* pattern, const std::tm& time, char (&out)[N]) {
  return ExpandOverlayText(pattern, time, out, N);
}
