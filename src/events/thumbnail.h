#pragma once
// The small picture an event keeps and an alert carries.

#include <cstdint>
#include <vector>

#include "common/box_scale.h"
#include "common/picture.h"

inline constexpr int32_t kThumbnailWidth = 320;

class ThumbnailMaker {
 public:
  // `picture` scaled to kThumbnailWidth pixels wide (never enlarged), its
  // shape kept, as JPEG; false for a picture without pixels.
  bool Make(const Picture& picture, std::vector<uint8_t>& jpeg);

 private:
  BoxScaler scaler_;
  CellImage scaled_;
  Picture wrapped_;
};
