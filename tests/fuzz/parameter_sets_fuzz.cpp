// Arbitrary bytes as a key frame whose parameter sets are looked for.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "sources/parameter_sets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (VideoCodec codec : {VideoCodec::kH264, VideoCodec::kH265}) {
    // Each set found is behind its own start code: never more than given plus those.
    if (InBandParameterSets(data, size, codec).size() > size + size / 3 * 4 + 4) std::abort();
  }
  return 0;
}
