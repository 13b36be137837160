#pragma once
// The player's picture: a dialog's static control taken over to show the
// current frame stretched to its whole client area (aspect not kept), or
// mid grey (0x808080) without one, with an optional message drawn as red
// text on a black box in the middle ("MS Sans Serif", 14 pixels).
//
// Mouse messages are not handled: a static without SS_NOTIFY lets them
// through to the dialog, which the player's menu and double click need.
// Attach once; either the object or the control may die first.

#include <windows.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "common/fixed_text.h"
#include "common/picture.h"
#include "framework/drawn_control_win.h"

class PictureControl : public DrawnControl {
 public:
  // Drops the current picture and takes this one's pixels (no copy), as
  // DecodeJpeg delivers them. A picture that is not 24 bits per pixel, or
  // without the pixels its description needs, is dropped without a redraw.
  // Otherwise the message is cleared and the control redrawn.
  void SetPicture(Picture&& picture);
  // The same, copying RowStride(width, 24) * |height| bytes of pixels.
  void SetPicture(const uint8_t* pixels, const PictureInfo& header);
  // Drops the picture and redraws (grey, with the message if there is one).
  void ClearPicture();
  // Drops the picture and shows text (at most 259 characters) on grey.
  void SetMessage(std::string_view text);

 private:
  void Paint(HDC dc, const RECT& client) const override;
  void DropPixels();

  std::vector<uint8_t> pixels_;
  PictureInfo header_{};
  char message_[kTextSize] = {};
};
