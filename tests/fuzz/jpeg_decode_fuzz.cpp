// Arbitrary bytes as a camera's JPEG picture.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "common/jpeg_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Picture picture;
  if (DecodeJpeg(data, size, picture)) {
    if (picture.BitCount() != 24 || picture.pixels.size() != picture.RequiredBytes()) std::abort();
  } else if (!picture.pixels.empty()) {
    std::abort();
  }
  return 0;
}
