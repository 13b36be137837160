#pragma once
// The recording frame: one complete JPEG picture with a comment segment
// holding its capture time as decimal Unix seconds, inserted right before
// the first quantisation-table marker (0xFF 0xDB). A recording is frames
// back to back, nothing else.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "common/byte_sink.h"
#include "common/clock.h"
#include "common/picture.h"

// 0xFF 0xFE, a two-byte length, up to ten digits and a NUL.
inline constexpr size_t kMaxTimestampSegment = 2 + 2 + 10 + 1;

struct TimestampSegment {
  uint8_t bytes[kMaxTimestampSegment];
  size_t size;
};

// The comment segment for a time, printed as an unsigned 32-bit value.
TimestampSegment BuildTimestampSegment(std::time_t now);

// Writes an encoded picture as a frame: the bytes before the first
// 0xFF 0xDB, the segment, the rest, in three writes (no copy of the
// picture). Without 0xFF 0xDB the picture is written unchanged. True only
// when every byte went out.
bool WriteEncodedFrame(const uint8_t* jpeg, size_t length, ByteSink& sink, std::time_t now);

// Encodes the picture at the quality and writes it as a frame stamped with
// the clock's time. Nothing is written when encoding fails.
bool WriteFrame(Picture& picture, int quality, ByteSink& sink, const Clock& clock = DefaultClock());

// The same, encoding into a buffer the caller keeps between frames: a fresh
// worst-case buffer per frame costs more than the encoding under Wine.
bool WriteFrame(Picture& picture, int quality, ByteSink& sink, const Clock& clock, std::vector<uint8_t>& encodeBuffer);

// The payload of the frame's first comment segment, up to its first NUL,
// or nothing when there is none or its length does not fit the frame.
std::optional<std::string> ReadTimestamp(const uint8_t* frame, size_t length);

// Where a frame lies in a buffer: [begin, end), both markers included.
struct FrameSpan {
  size_t begin;
  size_t end;
  size_t Size() const { return end - begin; }
};

// The first complete frame found scanning forward from `from`: it ends at
// the first 0xFF 0xD9 after a 0xFF 0xD8 and begins at the last 0xFF 0xD8
// before that end, so the remains of a cut-off frame in front of a
// complete one are skipped.
std::optional<FrameSpan> FindNextFrame(const uint8_t* data, size_t length, size_t from = 0);

inline constexpr uint8_t kStartOfImage[2] = {0xFF, 0xD8};
inline constexpr uint8_t kEndOfImage[2] = {0xFF, 0xD9};
inline constexpr uint8_t kQuantTable[2] = {0xFF, 0xDB};
inline constexpr uint8_t kComment[2] = {0xFF, 0xFE};
