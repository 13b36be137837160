#include "framework/image_preview_win.h"

#include <new>

constexpr COLORREF kPreviewGrey = 0x808080;

bool IsShowablePicture(const PictureInfo& description) {
  const BitmapInfoHeader& header = description.header;
  return header.bitCount == 24 && header.compression == BI_RGB && header.width > 0 && header.height != 0;
}

void StretchPicture(HDC dc, const PictureInfo& description, const uint8_t* pixels, int width, int height) {
  RealizePalette(dc);
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchDIBits(dc, 0, 0, width, height, 0, 0, description.header.width, AbsHeight(description.header.height), pixels,
                reinterpret_cast<const BITMAPINFO*>(&description), DIB_RGB_COLORS, SRCCOPY);
}

void ImagePreview::SetPicture(const uint8_t* pixels, const PictureInfo& description) {
  // A picture replaces the last in its buffer (no fresh block per frame);
  // without one the memory goes.
  if (!pixels || !IsShowablePicture(description)) {
    pixels_.clear();
    pixels_.shrink_to_fit();
    if (!pixels) RedrawControl(Window());
    return;
  }
  // What StretchDIBits reads, whatever the image-size field claims.
  const size_t bytes = RowStride(description.header.width, 24) * AbsHeight(description.header.height);
  try {
    pixels_.assign(pixels, pixels + bytes);
  } catch (const std::bad_alloc&) {
    pixels_.clear();
    return;
  }
  description_ = description;
  // A hidden control (the IP camera dialog is, mostly) is painted whole
  // when it is shown; repainting it now only costs window-server calls.
  if (Window() && IsWindowVisible(Window())) RedrawControl(Window());
}

void ImagePreview::SetPicture(const Picture& picture) {
  SetPicture(picture.HasPixels() ? picture.pixels.data() : nullptr, picture.pictureInfo);
}

void ImagePreview::Paint(HDC dc, const RECT& client) const {
  if (!pixels_.empty()) {
    StretchPicture(dc, description_, pixels_.data(), client.right, client.bottom);
  } else {
    ScopedBrush grey(CreateSolidBrush(kPreviewGrey));
    FillRect(dc, &client, grey.Get());
  }
}
