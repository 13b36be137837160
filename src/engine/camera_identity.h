#pragma once
// What a camera is called and whether its cell shows that name over the
// picture. Kept beside CamSettings in the configuration file's extension;
// all zero is a camera without a name of its own, labelled.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr size_t kCameraNameSize = 64;

struct CameraIdentity {
  char name[kCameraNameSize];  // "" = "Camera <number>"; NUL-terminated
  int32_t hideLabel;           // 1 = no name label over the cell's picture
};
static_assert(sizeof(CameraIdentity) == 68);
static_assert(offsetof(CameraIdentity, name) == 0);
static_assert(offsetof(CameraIdentity, hideLabel) == 64);

// The name terminated and the flag 0 or 1.
CameraIdentity ClampCameraIdentity(CameraIdentity identity);

// What the camera at grid number `number` is called: its own name, else
// "Camera <number>".
std::string CameraName(const CameraIdentity& identity, int number);
// Stores a typed name without surrounding blanks; the default name of the
// camera's number is stored as "", so the default follows the camera when
// it moves in the grid.
void SetCameraName(CameraIdentity& identity, std::string_view typed, int number);
