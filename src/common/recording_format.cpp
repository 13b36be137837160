#include "common/recording_format.h"

#include <cstdio>
#include <vector>

#include "common/find_bytes.h"
#include "common/jpeg_codec.h"

TimestampSegment BuildTimestampSegment(std::time_t now) {
  TimestampSegment segment{};
  char digits[11];
  const int count = std::snprintf(digits, sizeof digits, "%u", static_cast<unsigned>(static_cast<uint32_t>(now)));
  const size_t length = static_cast<size_t>(count) + 3;
  segment.bytes[0] = 0xFF;
  segment.bytes[1] = 0xFE;
  segment.bytes[2] = 0x00;
  segment.bytes[3] = static_cast<uint8_t>(length);
  for (int i = 0; i < count; ++i) segment.bytes[4 + i] = static_cast<uint8_t>(digits[i]);
  segment.bytes[4 + count] = 0x00;
  segment.size = length + 2;
  return segment;
}

bool WriteEncodedFrame(const uint8_t* jpeg, size_t length, ByteSink& sink, std::time_t now) {
  bool found = false;
  const size_t split = FindBytes(jpeg, length, kQuantTable, sizeof kQuantTable, found);
  if (!found) return sink.Write(jpeg, length) == length;

  const TimestampSegment segment = BuildTimestampSegment(now);
  size_t written = sink.Write(jpeg, split);
  written += sink.Write(segment.bytes, segment.size);
  written += sink.Write(jpeg + split, length - split);
  return written == length + segment.size;
}

bool WriteFrame(Picture& picture, int quality, ByteSink& sink, const Clock& clock) {
  std::vector<uint8_t> jpeg;
  return WriteFrame(picture, quality, sink, clock, jpeg);
}

bool WriteFrame(Picture& picture, int quality, ByteSink& sink, const Clock& clock, std::vector<uint8_t>& encodeBuffer) {
  if (!EncodeJpeg(picture, quality, encodeBuffer)) return false;
  return WriteEncodedFrame(encodeBuffer.data(), encodeBuffer.size(), sink, clock.Now());
}

std::optional<std::string> ReadTimestamp(const uint8_t* frame, size_t length) {
  bool found = false;
  const size_t at = FindBytes(frame, length, kComment, sizeof kComment, found);
  if (!found || length < 2 || at >= length - 2) return std::nullopt;
  // The length field of a damaged segment may be below the two bytes it
  // counts itself: there is no payload then.
  if (at + 3 >= length) return std::nullopt;
  const size_t segmentLength = (static_cast<size_t>(frame[at + 2]) << 8) | frame[at + 3];
  if (segmentLength < 2 || at + segmentLength + 4 > length) return std::nullopt;
  const char* payload = reinterpret_cast<const char*>(frame + at + 4);
  const size_t payloadSize = segmentLength - 2;
  size_t textLength = 0;
  while (textLength < payloadSize && payload[textLength] != '\0') ++textLength;
  return std::string(payload, textLength);
}

std::optional<FrameSpan> FindNextFrame(const uint8_t* data, size_t length, size_t from) {
  bool found = false;
  size_t begin = FindBytes(data, length, kStartOfImage, 2, found, from);
  if (!found) return std::nullopt;
  const size_t end = FindBytes(data, length, kEndOfImage, 2, found, begin + 2);
  if (!found) return std::nullopt;
  // The most recent start marker before the end marker starts the frame.
  for (size_t next = begin;;) {
    next = FindBytes(data, length, kStartOfImage, 2, found, next + 2);
    if (!found || next + 2 > end) break;
    begin = next;
  }
  return FrameSpan{begin, end + 2};
}
