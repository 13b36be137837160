#pragma once
// The little the reader needs of an open recording: its current size and
// reads at an offset. A Win32 file in the program, bytes in memory in tests
// and the fuzzer.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

class RecordingFile {
 public:
  virtual ~RecordingFile() = default;
  // The size now (a recording may still be growing); negative on error.
  virtual int64_t Size() = 0;
  // Reads up to count bytes at offset; returns how many were read, 0 at or
  // past the end and on any error.
  virtual size_t ReadAt(int64_t offset, uint8_t* buffer, size_t count) = 0;
  // The platform's handle of the file, when it has one (to tell whether an
  // output would overwrite it).
  virtual void* NativeHandle() const { return nullptr; }
};

// A recording held in memory; Append lets a test grow it while it is open.
class MemoryRecordingFile final : public RecordingFile {
 public:
  explicit MemoryRecordingFile(std::vector<uint8_t> bytes = {}) : bytes_(std::move(bytes)) {}
  int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }
  size_t ReadAt(int64_t offset, uint8_t* buffer, size_t count) override {
    if (offset < 0 || static_cast<uint64_t>(offset) >= bytes_.size()) return 0;
    const size_t n = std::min(count, bytes_.size() - static_cast<size_t>(offset));
    std::memcpy(buffer, bytes_.data() + offset, n);
    return n;
  }
  void Append(const std::vector<uint8_t>& more) { bytes_.insert(bytes_.end(), more.begin(), more.end()); }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};
