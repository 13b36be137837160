#include "player/picture_control_win.h"

#include <new>
#include <utility>

#include "common/fixed_text.h"
#include "common/overlay_win.h"
#include "framework/image_preview_win.h"

namespace {

constexpr COLORREF kGrey = 0x808080;
constexpr COLORREF kMessageText = 0x0000FF;
constexpr COLORREF kMessageBox = 0x000000;
constexpr int32_t kCentred = 5;

size_t NeededBytes(const PictureInfo& header) {
  return RowStride(header.header.width, 24) * static_cast<size_t>(AbsHeight(header.header.height));
}

}  // namespace

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
  RedrawControl(Window());
}

void PictureControl::SetPicture(const uint8_t* pixels, const PictureInfo& header) {
  DropPixels();
  if (!pixels) {
    RedrawControl(Window());
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
  RedrawControl(Window());
}

void PictureControl::ClearPicture() {
  DropPixels();
  RedrawControl(Window());
}

void PictureControl::SetMessage(std::string_view text) {
  DropPixels();
  CopyText(message_, text);
  RedrawControl(Window());
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
