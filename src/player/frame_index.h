#pragma once
// Where each frame of a recording ends, for the player's "frame 12 of 340":
// the reader walks the file by byte positions and knows no frame numbers.
// A frame ends at the first 0xFF 0xD9 after a 0xFF 0xD8, as the reader cuts
// them. The index grows with the file: each update reads on from where the
// last stopped, a bounded slice at a time, so a day's recording is counted
// without stopping the window.

#include <cstddef>
#include <cstdint>
#include <vector>

class RecordingFile;

class FrameIndex {
 public:
  void Clear() { *this = FrameIndex{}; }
  // Reads at most `budget` more bytes; true once it has reached the end.
  bool Update(RecordingFile& file, int64_t budget);
  size_t Count() const { return ends_.size(); }
  // The number (from 1) of the frame that ends at byte `end`; 0 when none does.
  size_t NumberEndingAt(int64_t end) const;

 private:
  std::vector<int64_t> ends_;
  int64_t scanned_ = 0;
  bool afterFF_ = false;
  bool inFrame_ = false;
};
