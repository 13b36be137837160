#pragma once
// A dialog's static control that shows a 24-bit picture stretched to its
// whole client area (aspect ratio not kept), or mid grey (0x808080) when it
// holds none. Used by the IP camera dialog and the pop-up camera view.
//
// Contract: Attach once to an existing control; the object then owns the
// control's painting. The control and the object must be used from the
// thread that owns the control. If the object dies first, the control gets
// its own procedure back; if the control dies first, the object lets go of it.

#include <windows.h>

#include <cstdint>
#include <vector>

#include "common/picture.h"
#include "framework/drawn_control_win.h"

class ImagePreview : public DrawnControl {
 public:
  // Drops the shown picture, then copies the new one: description and
  // RowStride(width, 24) * |height| bytes of pixels, padded rows as in a
  // DIB (the caller keeps its buffer). Null pixels: grey, redrawn. A
  // description that is not a 24-bit uncompressed picture of positive width
  // and non-zero height: dropped, not redrawn (grey at the next repaint).
  void SetPicture(const uint8_t* pixels, const PictureInfo& description);
  // The same for a picture; one without enough pixels shows grey.
  void SetPicture(const Picture& picture);

  bool HasPicture() const { return !pixels_.empty(); }

 private:
  void Paint(HDC dc, const RECT& client) const override;

  std::vector<uint8_t> pixels_;
  PictureInfo description_{};
};

// Whether a description is one the previews can stretch: 24 bits per pixel,
// uncompressed, positive width, non-zero height.
bool IsShowablePicture(const PictureInfo& description);

// Stretches a 24-bit picture over the rectangle (0, 0, width, height).
void StretchPicture(HDC dc, const PictureInfo& description, const uint8_t* pixels, int width, int height);
