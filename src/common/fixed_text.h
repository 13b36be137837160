#pragma once
// The one way texts go into the fixed character arrays of the records and
// of Win32 structures: always bounded, always NUL-terminated, truncating.

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string_view>

// The size of the text fields of the records and dialogs: 259 characters and the NUL.
inline constexpr size_t kTextSize = 260;

// Copies at most capacity - 1 characters and a NUL. Returns false when the
// text did not fit and was cut.
inline bool CopyText(char* destination, size_t capacity, std::string_view text) {
  if (capacity == 0) return false;
  size_t count = text.size() < capacity - 1 ? text.size() : capacity - 1;
  std::memcpy(destination, text.data(), count);
  destination[count] = '\0';
  return count == text.size();
}

template <size_t N>
bool CopyText(char (&destination)[N], std::string_view text) {
  return CopyText(destination, N, text);
}

// printf-style formatting into a fixed array; false when the result was cut
// or the format failed (the array then holds what fitted, or "").
#if defined(__GNUC__)
__attribute__((format(printf, 3, 4)))
#endif
inline bool
FormatText(char* destination, size_t capacity, const char* format, ...) {
  if (capacity == 0) return false;
  va_list args;
  va_start(args, format);
  int written = std::vsnprintf(destination, capacity, format, args);
  va_end(args);
  if (written < 0) {
    destination[0] = '\0';
    return false;
  }
  return static_cast<size_t>(written) < capacity;
}

// The length of a text stored in a fixed array, never reading past it even
// when a damaged record holds no NUL.
template <size_t N>
size_t TextLength(const char (&text)[N]) {
  const void* end = std::memchr(text, '\0', N);
  return end ? static_cast<const char*>(end) - text : N;
}

template <size_t N>
std::string_view TextView(const char (&text)[N]) {
  return std::string_view(text, TextLength(text));
}
