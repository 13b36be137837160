#include "player/picture_control_win.h"

#include <new>
#include <utility>

#include "common/fixed_text.h"
#include "common/image_preview_win.h"
#include "common/overlay_win.h"
#include "common/subclassed_control_win.h"

namespace {

constexpr COLORREF kGrey = 0x808080;
constexpr COLORREF kMessageText = 0x0000FF;
constexpr COLORREF kMessageBox = 0x000000;
constexpr int32_t kCentred = 5;

size_t NeededBytes(const PictureInfo& header) {
  return RowStride(header.header.width, 24) * static_cast<size_t>(AbsHeight(header.header.height));
}

}  // namespace

PictureControl::~PictureControl() {
  Detach();
}

bool PictureControl::Attach(HWND dialog, int controlId) {
  HWND control = GetDlgItem(dialog, controlId);
  if (!control) return false;
  Detach();
  window_ = control;
  owner_ = dialog;
  oldProc_ = SubclassControl(control, &PictureControl::WindowProc, this);
  return true;
}

void PictureControl::Detach() {
  RestoreControl(window_, &PictureControl::WindowProc, oldProc_);
  window_ = nullptr;
  oldProc_ = nullptr;
}

void PictureControl::DropPixels() {
  pixels_.clear();
  pixels_.shrink_to_fit();
}

void PictureControl::SetPicture(Picture&& picture) {
  DropPixels();
  if (!IsShowablePicture(picture.pictureInfo) || picture.pixels.size() < NeededBytes(picture.pictureInfo)) return;
  header_ = picture.pictureInfo;
  pixels_ = std::move(picture.pixels);
  message_[0] = '\0';
  RedrawControl(window_);
}

void PictureControl::SetPicture(const uint8_t* pixels, const PictureInfo& header) {
  DropPixels();
  if (!pixels) {
    RedrawControl(window_);
    return;
  }
  if (!IsShowablePicture(header)) return;
  try {
    pixels_.assign(pixels, pixels + NeededBytes(header));
  } catch (const std::bad_alloc&) {
    return;
  }
  header_ = header;
  message_[0] = '\0';
  RedrawControl(window_);
}

void PictureControl::ClearPicture() {
  DropPixels();
  RedrawControl(window_);
}

void PictureControl::SetMessage(std::string_view text) {
  DropPixels();
  CopyText(message_, text);
  RedrawControl(window_);
}

LRESULT CALLBACK PictureControl::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  PictureControl* self = SubclassedObject<PictureControl>(window);
  if (!self || self->window_ != window) return DefWindowProcA(window, message, wParam, lParam);
  return self->HandleMessage(message, wParam, lParam);
}

LRESULT PictureControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND window = window_;
  const WNDPROC oldProc = oldProc_;
  LRESULT result = 0;
  if (HandleSelfPaintingMessage(
          window, message, wParam, [this](HDC dc, const RECT& client) { Paint(dc, client); }, result))
    return result;
  switch (message) {
    case WM_NCDESTROY:
      Detach();
      break;
  }
  return CallWindowProcA(oldProc, window, message, wParam, lParam);
}

void PictureControl::Paint(HDC dc, const RECT& client) const {
  if (!pixels_.empty()) {
    StretchPicture(dc, header_, pixels_.data(), client.right, client.bottom);
  } else {
    ScopedBrush grey(CreateSolidBrush(kGrey));
    FillRect(dc, &client, grey.Get());
  }
  if (message_[0]) {
    ScopedFont font(CreateFontA(-14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif"));
    DrawOverlay(dc, client, message_, font.Get(), 255, kMessageText, kMessageBox, kOverlayKeyColour, kCentred);
  }
}
