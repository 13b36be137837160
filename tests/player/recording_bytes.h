#pragma once
// Recordings made of synthetic frames: start marker, a quantisation-table
// marker, a body without 0xFF bytes, end marker, with the timestamp segment
// inserted as the camera writes it.

#include <cstdint>
#include <vector>

#include "common/byte_sink.h"
#include "common/recording_format.h"

// A frame of exactly `size` bytes (at least 24), its body filled with tag.
inline std::vector<uint8_t> SyntheticFrame(size_t size, uint8_t tag) {
  const size_t segment = BuildTimestampSegment(1700000000).size;
  std::vector<uint8_t> jpeg(size - segment, tag == 0xFF ? 0x7F : tag);
  jpeg[0] = 0xFF;
  jpeg[1] = 0xD8;
  jpeg[2] = 0xFF;
  jpeg[3] = 0xDB;
  jpeg[jpeg.size() - 2] = 0xFF;
  jpeg[jpeg.size() - 1] = 0xD9;
  MemorySink sink;
  WriteEncodedFrame(jpeg.data(), jpeg.size(), sink, 1700000000);
  return sink.bytes;
}

inline std::vector<uint8_t> EqualFrames(size_t count, size_t size) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < count; ++i) {
    const std::vector<uint8_t> frame = SyntheticFrame(size, static_cast<uint8_t>(i % 200 + 1));
    bytes.insert(bytes.end(), frame.begin(), frame.end());
  }
  return bytes;
}

// The tag of a synthetic frame: the last body byte.
inline uint8_t FrameTag(const uint8_t* frame, size_t size) {
  return frame[size - 3];
}
