#pragma once
// In-place picture modifications. Each accepts 8, 16, 24 and 32 bits per
// pixel and does nothing for other depths or a picture without pixels.

#include "common/picture.h"

void FlipVertical(Picture& picture);
void FlipHorizontal(Picture& picture);

// Clockwise quarter turns as seen on screen for a bottom-up picture: 90,
// 180 or 270; any other angle does nothing. For 90 and 270 width and height
// swap, and the image size follows the new row stride.
void RotatePicture(Picture& picture, int angle);
