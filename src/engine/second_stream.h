#pragma once
// An RTSP camera's optional second, lower-resolution stream: decoded for
// motion and the pictures shown and served, while the main stream is
// recorded as sent. Kept in the configuration file's extension; an empty
// address is a camera without one.

#include <cstddef>

#include "common/fixed_text.h"

struct SecondStream {
  char url[kTextSize];  // NUL-terminated; "" = none
};
static_assert(sizeof(SecondStream) == 260);
static_assert(offsetof(SecondStream, url) == 0);
