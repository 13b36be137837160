#pragma once
// Decoded FFmpeg frames into the program's picture layout.

#include "common/ffmpeg_owners_win.h"
#include "common/picture.h"

// Converts straight into the picture's buffer: 24-bit BGR, bottom-up rows
// padded to 4 bytes, the one copy a decoded frame costs. Refuses pictures
// beyond kMaxCameraPixels.
class PictureConverter {
 public:
  bool Convert(const AVFrame& frame, Picture& picture);

 private:
  ScopedScaler scaler_;
  const SwsContext* configured_ = nullptr;
  bool fullRange_ = false;
  int colorspace_ = SWS_CS_DEFAULT;
};
