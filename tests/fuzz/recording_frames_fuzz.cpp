// Arbitrary bytes as a recording: walk it frame by frame and read each
// frame's timestamp, as the player does.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "common/recording_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  size_t from = 0;
  while (auto frame = FindNextFrame(data, size, from)) {
    if (frame->begin < from || frame->end > size || frame->end <= frame->begin) std::abort();
    if (auto stamp = ReadTimestamp(data + frame->begin, frame->Size())) {
      if (stamp->size() > frame->Size()) std::abort();
    }
    from = frame->end;
  }
  (void)ReadTimestamp(data, size);
  return 0;
}
