#include "common/image_preview_win.h"

#include <new>

#include "common/subclassed_control_win.h"

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

ImagePreview::~ImagePreview() {
  Detach();
}

bool ImagePreview::Attach(HWND dialog, int controlId) {
  HWND control = GetDlgItem(dialog, controlId);
  if (!control) return false;
  Detach();
  control_ = control;
  owner_ = dialog;
  previous_ = SubclassControl(control, &ImagePreview::WindowProc, this);
  return true;
}

void ImagePreview::Detach() {
  RestoreControl(control_, &ImagePreview::WindowProc, previous_);
  control_ = nullptr;
  previous_ = nullptr;
}

void ImagePreview::SetPicture(const uint8_t* pixels, const PictureInfo& description) {
  // A picture replaces the last in its buffer (no fresh block per frame);
  // without one the memory goes.
  if (!pixels || !IsShowablePicture(description)) {
    pixels_.clear();
    pixels_.shrink_to_fit();
    if (!pixels) RedrawControl(control_);
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
  if (control_ && IsWindowVisible(control_)) RedrawControl(control_);
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

LRESULT CALLBACK ImagePreview::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ImagePreview* self = SubclassedObject<ImagePreview>(window);
  if (!self || self->control_ != window) return DefWindowProcA(window, message, wParam, lParam);
  return self->HandleMessage(message, wParam, lParam);
}

LRESULT ImagePreview::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND control = control_;
  const WNDPROC previous = previous_;
  switch (message) {
    case WM_PAINT:
    case WM_NCPAINT:
    case WM_PRINTCLIENT:
      PaintBuffered(control, message, wParam, [this](HDC dc, const RECT& client) { Paint(dc, client); });
      // Into a caller's DC the static would draw its own text over ours.
      if (message == WM_PRINTCLIENT || (message == WM_PAINT && wParam)) return 0;
      break;
    case WM_MOVE:
    case WM_SIZE:
      InvalidateRect(control, nullptr, TRUE);
      break;
    case WM_NCCALCSIZE:
      if (wParam) return 0;
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_NCDESTROY:
      Detach();
      break;
  }
  return CallWindowProcA(previous, control, message, wParam, lParam);
}
