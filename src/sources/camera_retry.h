#pragma once
// How a network camera's client reports a connection it could not make,
// and how long it waits before the next attempt.

#include <cstdint>

inline constexpr int32_t kCameraRetryDelayMs = 5000;
inline constexpr char kCannotConnect[] = "Unable to connect, retry in 5sec";
