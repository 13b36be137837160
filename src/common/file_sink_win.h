#pragma once
// A ByteSink over an open Win32 file handle (not owned).

#include <windows.h>

#include "common/byte_sink.h"

class FileSink final : public ByteSink {
 public:
  explicit FileSink(HANDLE file) : file_(file) {}
  size_t Write(const uint8_t* data, size_t size) override;

 private:
  HANDLE file_;
};
