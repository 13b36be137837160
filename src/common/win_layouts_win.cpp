// The portable records mirror Win32 structures; they must stay identical so
// the Win32 layer can hand them to the API as they are.
#include <windows.h>

#include <cstddef>

#include "common/picture.h"

static_assert(sizeof(BitmapInfoHeader) == sizeof(BITMAPINFOHEADER));
static_assert(offsetof(BitmapInfoHeader, bitCount) == offsetof(BITMAPINFOHEADER, biBitCount));
static_assert(offsetof(BitmapInfoHeader, sizeImage) == offsetof(BITMAPINFOHEADER, biSizeImage));
static_assert(sizeof(PictureInfo) == sizeof(BITMAPINFO));
