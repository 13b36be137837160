#include "player/mp4_reference_times.h"

#include <algorithm>
#include <cmath>

namespace {

// Seconds from the NTP epoch (1900) to the Unix epoch (1970).
constexpr double kNtpToUnix = 2208988800.0;
constexpr double kNtpFraction = 4294967296.0;
constexpr size_t kPrftVersion0Size = 28;
constexpr size_t kPrftVersion1Size = 32;

uint64_t BigEndian(const uint8_t* bytes, int count) {
  uint64_t value = 0;
  for (int i = 0; i < count; ++i) value = (value << 8) | bytes[i];
  return value;
}

void PutBigEndian(uint64_t value, int count, uint8_t* bytes) {
  for (int i = count - 1; i >= 0; --i, value >>= 8) bytes[i] = static_cast<uint8_t>(value);
}

bool IsType(const uint8_t* header, const char* type) {
  return std::equal(type, type + 4, header + 4);
}

// One prft box of `size` bytes at offset; none when it does not read.
std::optional<ReferenceTime> ReadReference(RecordingFile& file, int64_t offset, uint64_t size) {
  uint8_t box[kPrftVersion1Size];
  if (size < kPrftVersion0Size) return std::nullopt;
  const size_t wanted = size >= kPrftVersion1Size ? kPrftVersion1Size : kPrftVersion0Size;
  if (file.ReadAt(offset, box, wanted) != wanted) return std::nullopt;
  const bool wide = box[8] == 1;
  if (wide && wanted < kPrftVersion1Size) return std::nullopt;
  const uint64_t ntp = BigEndian(box + 16, 8);
  const uint64_t media = wide ? BigEndian(box + 24, 8) : BigEndian(box + 24, 4);
  const double seconds = static_cast<double>(ntp >> 32) + static_cast<double>(ntp & 0xFFFFFFFFu) / kNtpFraction;
  return ReferenceTime{static_cast<int64_t>(media & INT64_MAX), seconds - kNtpToUnix};
}

}  // namespace

std::vector<ReferenceTime> ReadReferenceTimes(RecordingFile& file) {
  std::vector<ReferenceTime> references;
  const int64_t fileSize = file.Size();
  int64_t offset = 0;
  for (size_t boxes = 0; boxes < kMaxTopLevelBoxes && offset < fileSize; ++boxes) {
    uint8_t header[16];
    if (file.ReadAt(offset, header, 8) != 8) break;
    uint64_t size = BigEndian(header, 4);
    if (size == 1) {
      if (file.ReadAt(offset + 8, header + 8, 8) != 8) break;
      size = BigEndian(header + 8, 8);
    } else if (size == 0) {
      size = static_cast<uint64_t>(fileSize - offset);  // to the end of the file
    }
    if (size < 8 || size > static_cast<uint64_t>(fileSize - offset)) break;
    if (IsType(header, "prft") && references.size() < kMaxReferenceTimes)
      if (std::optional<ReferenceTime> reference = ReadReference(file, offset, size)) references.push_back(*reference);
    offset += static_cast<int64_t>(size);
  }
  return references;
}

std::vector<uint8_t> ReferenceTimeBox(const ReferenceTime& reference, uint32_t trackId) {
  static_assert(kReferenceTimeBoxSize == kPrftVersion1Size);
  std::vector<uint8_t> box(kPrftVersion1Size, 0);
  PutBigEndian(kPrftVersion1Size, 4, box.data());
  std::copy_n("prft", 4, box.data() + 4);
  box[8] = 1;  // version 1, no flags
  PutBigEndian(trackId, 4, box.data() + 12);
  const double ntp = std::max(reference.unixSeconds + kNtpToUnix, 0.0);
  const double whole = std::floor(ntp);
  const auto fraction = static_cast<uint64_t>((ntp - whole) * kNtpFraction);
  PutBigEndian((static_cast<uint64_t>(whole) << 32) | std::min<uint64_t>(fraction, 0xFFFFFFFFu), 8, box.data() + 16);
  PutBigEndian(static_cast<uint64_t>(std::max<int64_t>(reference.mediaTime, 0)), 8, box.data() + 24);
  return box;
}

std::optional<double> WallClockAt(const std::vector<ReferenceTime>& references, int64_t time, int64_t timescale) {
  if (references.empty() || timescale <= 0) return std::nullopt;
  const ReferenceTime* base = &references.front();
  for (const ReferenceTime& reference : references)
    if (reference.mediaTime <= time && reference.mediaTime >= base->mediaTime) base = &reference;
  return base->unixSeconds +
         (static_cast<double>(time) - static_cast<double>(base->mediaTime)) / static_cast<double>(timescale);
}
