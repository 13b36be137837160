#include "engine/pre_motion_ring.h"

#include <algorithm>

void PreMotionRing::SetCapacity(int frames) {
  slots_.resize(static_cast<size_t>(std::clamp(frames, 0, kMaxPreMotionFrames)));
  Clear();
}

PreMotionRing::Frame* PreMotionRing::NextSlot() {
  if (slots_.empty()) return nullptr;
  if (count_ < slots_.size()) return &slots_[(first_ + count_++) % slots_.size()];
  Frame* oldest = &slots_[first_];
  first_ = (first_ + 1) % slots_.size();
  return oldest;
}

void PreMotionRing::Clear() {
  first_ = 0;
  count_ = 0;
}
