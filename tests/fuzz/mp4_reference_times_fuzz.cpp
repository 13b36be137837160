// The top-level box walk and the producer reference times of an MP4 file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "player/mp4_reference_times.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MemoryRecordingFile file(std::vector<uint8_t>(data, data + size));
  const std::vector<ReferenceTime> references = ReadReferenceTimes(file);
  if (references.size() > size / 28) std::abort();
  if (!references.empty()) (void)WallClockAt(references, references.back().mediaTime, 90000);
  return 0;
}
