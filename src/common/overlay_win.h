#pragma once
// Draws one line of text on a box, anchored in a rectangle and blended with
// an opacity: the camera display's overlay, status line and motion box, the
// overlay burnt into recorded pictures, and the player's message text.

#include <windows.h>

#include <cstdint>

#include "common/overlay_blend.h"
#include "common/picture.h"

// Draws text into rect on target. Does nothing for a null or empty text or
// a null font; a bitmap that cannot be made leaves the target untouched.
//
// opacity: its low 8 bits are the constant alpha (256 draws nothing, 300
// draws as 44). Only opacity == 255 with backColor == transparentColor takes
// the direct path: bare glyphs drawn with DrawTextA in rect. Otherwise the
// text is drawn on a box of backColor exactly the text's size, pixels of
// transparentColor are keyed out, and the box is blended at the anchor
// position inside rect (clipped to rect); keyed pixels then tint the target
// by adding the alpha times their channels (pure green adds to green).
// anchor: 1 centre, 2 right, 4 middle, 8 bottom (the DrawTextA flag values;
// AnchorCode 0 to 10). Line breaks do not break the line, '&' is shown as is.
// The target's selected objects, text colour and background mode are left as
// they were. Callers pass kOverlayKeyColour as transparentColor.
void DrawOverlay(HDC target, const RECT& rect, const char* text, HFONT font, int32_t opacity, COLORREF textColor,
                 COLORREF backColor, COLORREF transparentColor, int32_t anchor);

// DrawOverlay into a picture's own pixels at its resolution, the rectangle
// being the whole picture. Pictures without pixels or of other than 24 or 32
// bits per pixel are left alone (returns false, as when GDI fails).
bool OverlayOnPicture(Picture& picture, const char* text, HFONT font, int32_t opacity, COLORREF textColor,
                      COLORREF backColor, COLORREF transparentColor, int32_t anchor);
