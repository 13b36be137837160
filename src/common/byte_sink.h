#pragma once
// Where a frame's bytes go: an open recording or picture file in the
// programs, a buffer or a failing writer in tests.

#include <cstddef>
#include <cstdint>
#include <vector>

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Writes at the current position; returns how many bytes were written,
  // fewer than asked on a short write (disk full or any error).
  virtual size_t Write(const uint8_t* data, size_t size) = 0;
};

class MemorySink final : public ByteSink {
 public:
  size_t Write(const uint8_t* data, size_t size) override {
    bytes.insert(bytes.end(), data, data + size);
    return size;
  }
  std::vector<uint8_t> bytes;
};
