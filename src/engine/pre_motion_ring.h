#pragma once
// The frames kept while motion detection holds recording back, so that a
// motion recording starts a few frames before the trigger. Frames are kept
// encoded (they would be encoded anyway once recorded), each with its own
// capture time. The slots and their buffers are reused from frame to frame;
// only a larger capacity or a larger picture allocates.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <vector>

inline constexpr int kMaxPreMotionFrames = 50;

class PreMotionRing {
 public:
  struct Frame {
    std::vector<uint8_t> jpeg;
    std::time_t captured = 0;
  };

  // Holds at most `frames` frames (clamped to 0 to kMaxPreMotionFrames)
  // and forgets what it held.
  void SetCapacity(int frames);
  int Capacity() const { return static_cast<int>(slots_.size()); }
  size_t Count() const { return count_; }
  bool Empty() const { return count_ == 0; }

  // The slot for the next frame, replacing the oldest when full; the caller
  // fills it in place. Null with a capacity of 0.
  Frame* NextSlot();
  // The frame `index` places after the oldest (0 = oldest).
  const Frame& At(size_t index) const { return slots_[(first_ + index) % slots_.size()]; }
  // Forgets the frames but keeps their buffers.
  void Clear();

 private:
  std::vector<Frame> slots_;
  size_t first_ = 0;
  size_t count_ = 0;
};
