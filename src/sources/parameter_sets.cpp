#include "sources/parameter_sets.h"

namespace {

// The kinds of parameter set, as bits.
constexpr unsigned kVps = 1, kSps = 2, kPps = 4;

// Where the unit after the start code at or behind `from` begins; size
// when there is none.
size_t NextUnit(const uint8_t* data, size_t size, size_t from) {
  for (size_t i = from; i + 3 <= size; ++i)
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) return i + 3;
  return size;
}

// The kind of parameter set a unit header names, 0 for other units; a
// picture slice sets `slice`.
unsigned Kind(const uint8_t* unit, size_t size, VideoCodec codec, bool& slice) {
  if (codec == VideoCodec::kH264) {
    const int type = unit[0] & 0x1F;
    slice = type >= 1 && type <= 5;
    return type == 7 ? kSps : type == 8 ? kPps : 0;
  }
  if (size < 2) return 0;
  const int type = (unit[0] >> 1) & 0x3F;
  slice = type <= 31;
  return type == 32 ? kVps : type == 33 ? kSps : type == 34 ? kPps : 0;
}

}  // namespace

std::string InBandParameterSets(const uint8_t* data, size_t size, VideoCodec codec) {
  static constexpr char kStartCode[4] = {0, 0, 0, 1};
  const unsigned wanted = codec == VideoCodec::kH264 ? kSps | kPps : kVps | kSps | kPps;
  unsigned found = 0;
  std::string sets;
  for (size_t start = NextUnit(data, size, 0); start < size;) {
    const size_t next = NextUnit(data, size, start);
    // The zeros before the next start code belong to it, not to this unit.
    size_t end = next < size ? next - 3 : size;
    while (end > start && data[end - 1] == 0) --end;
    bool slice = false;
    const unsigned kind = end > start ? Kind(data + start, end - start, codec, slice) : 0;
    if (slice) break;
    if (kind) {
      found |= kind;
      sets.append(kStartCode, sizeof kStartCode);
      sets.append(reinterpret_cast<const char*>(data + start), end - start);
    }
    start = next;
  }
  return found == wanted ? sets : std::string();
}
