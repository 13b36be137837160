#pragma once
// The face of a camera's cell before it has a picture: the camera's number
// and one line saying what to do or what the camera is waiting for,
// centred on the grey background.

#include <windows.h>

#include "engine/cell_text.h"

inline constexpr COLORREF kEmptyCellTextColour = RGB(255, 255, 255);

// Draws both lines, each shortened with an ellipsis to the rectangle's
// width; nothing when both texts are empty.
void DrawEmptyCell(HDC dc, const RECT& rect, const EmptyCellText& text);
