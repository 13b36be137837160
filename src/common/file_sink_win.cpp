#include "common/file_sink_win.h"

size_t FileSink::Write(const uint8_t* data, size_t size) {
  size_t total = 0;
  while (total < size) {
    const DWORD chunk = static_cast<DWORD>(size - total > 0x40000000 ? 0x40000000 : size - total);
    DWORD written = 0;
    if (!WriteFile(file_, data + total, chunk, &written, nullptr) || written == 0) break;
    total += written;
  }
  return total;
}
