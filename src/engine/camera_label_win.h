#pragma once
// The small label over the top-left corner of a camera's picture in its
// cell: the camera's name, a red "REC" while it records and a yellow
// "MOTION" while motion is seen. Drawn on the display only, never into a
// recorded picture.

#include <windows.h>

#include <string>

inline constexpr COLORREF kLabelRecColour = RGB(255, 40, 40);
inline constexpr COLORREF kLabelMotionColour = RGB(255, 210, 0);

// Draws the label into the top-left corner of a cell `width` pixels wide;
// the name is cut to what the cell leaves for it.
void DrawCameraLabel(HDC dc, int width, const std::string& name, bool recording, bool motion);
