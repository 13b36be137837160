#include "player/frame_index.h"

#include <algorithm>

#include "player/recording_file.h"

bool FrameIndex::Update(RecordingFile& file, int64_t budget) {
  std::vector<uint8_t> piece(64 * 1024);
  for (int64_t read = 0; read < budget;) {
    const size_t n = file.ReadAt(scanned_, piece.data(), piece.size());
    if (n == 0) return true;
    for (size_t i = 0; i < n; ++i) {
      const uint8_t byte = piece[i];
      if (afterFF_ && byte == 0xD8) inFrame_ = true;
      if (afterFF_ && byte == 0xD9 && inFrame_) {
        ends_.push_back(scanned_ + static_cast<int64_t>(i) + 1);
        inFrame_ = false;
      }
      afterFF_ = byte == 0xFF;
    }
    scanned_ += static_cast<int64_t>(n);
    read += static_cast<int64_t>(n);
  }
  return false;
}

size_t FrameIndex::NumberEndingAt(int64_t end) const {
  const auto found = std::lower_bound(ends_.begin(), ends_.end(), end);
  return found != ends_.end() && *found == end ? static_cast<size_t>(found - ends_.begin()) + 1 : 0;
}
