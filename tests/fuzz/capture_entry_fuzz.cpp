// Format entries as a capture device's capabilities make them: any entry
// that reads back must be one FormatCaptureEntry writes the same way.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "sources/capture_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  const std::string entry(text, std::find(text, text + size, '\0'));
  int width = -1, height = -1, bits = -1;
  if (!ParseCaptureEntry(entry.c_str(), width, height, bits)) {
    if (width != -1 || height != -1 || bits != -1) std::abort();
    return 0;
  }
  if (width < 0 || height < 0 || bits < 0) std::abort();
  char written[64];
  if (!FormatCaptureEntry(written, sizeof written, width, height, bits)) std::abort();
  int w = -1, h = -1, b = -1;
  if (!ParseCaptureEntry(written, w, h, b) || w != width || h != height || b != bits) std::abort();
  return 0;
}
