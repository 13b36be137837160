#pragma once
// The words a camera's cell and its windows use to tell cameras apart and
// to say what an empty cell is waiting for.

#include <cstdint>
#include <string>

// "Camera <number>"; with a dialog title, "<title> - Camera <number>". The
// title alone when number is not positive (a camera outside the grid).
std::string CameraTitle(int number, const char* dialogTitle = "");

struct EmptyCellText {
  std::string number;  // "Camera 2"
  std::string line;    // what to do, or what the source is doing
};

// What the cell of camera `number` says while it has no picture: without a
// source, how to set one up; with one, the camera's own status (a recording
// or grab problem), else the source's last status, else "Connecting...".
// Both texts are empty when number is not positive (the setup dialog's
// preview, which is no cell).
EmptyCellText DescribeEmptyCell(int number, int32_t cameraType, const char* statusText, const char* sourceStatus);

// What a camera is doing, as the live page shows it.
enum class CameraState { kNoSource, kConnecting, kLive, kNoSignal };
struct CameraStatus {
  CameraState state;
  std::string text;  // "No source", "Connecting...", "Live", "No signal since 14:02:10"
};
