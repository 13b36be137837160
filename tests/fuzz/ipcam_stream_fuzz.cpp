// Arbitrary camera stream bytes, read in chunks of arbitrary size: the frame
// search must agree with a plain search from the start of what is held, the
// buffer must always leave room for the next read, and consuming a frame
// must keep exactly the bytes behind it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "sources/receive_buffer.h"

namespace {

bool PlainSearch(const std::vector<uint8_t>& held, size_t& start, size_t& length) {
  for (size_t s = 0; s + 1 < held.size(); ++s) {
    if (held[s] != 0xFF || held[s + 1] != 0xD8) continue;
    for (size_t e = s; e + 1 < held.size(); ++e) {
      if (held[e] == 0xFF && held[e + 1] == 0xD9) {
        start = s;
        length = e + 2 - s;
        return true;
      }
    }
    return false;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // A cap of one or two growth steps, so both growing and the cap are met
  // within the input sizes a fuzzer tries.
  const size_t limit = (1 + data[0] % 2) * kReceiveGrowStep;
  ReceiveBuffer buffer(limit);
  if (!buffer.Prepare()) std::abort();
  std::vector<uint8_t> held;
  size_t at = 1;
  while (at < size) {
    // The first byte of every step says how many bytes the read brings, at
    // most what the client asks for.
    size_t n = 1 + (data[at++] % 64) * 1024;
    if (n > buffer.ReadRoom()) n = buffer.ReadRoom();
    if (n > size - at) n = size - at;
    if (n == 0) break;
    std::memcpy(buffer.ReadSpace(), data + at, n);
    held.insert(held.end(), data + at, data + at + n);
    at += n;
    ReceiveBuffer::Room room = buffer.Commit(n);
    if (room == ReceiveBuffer::Room::kLimitReached) {
      if (buffer.Length() + kReceiveChunk <= buffer.Capacity() && buffer.Capacity() < 2 * kReceiveGrowStep)
        std::abort();
      break;
    }
    if (room != ReceiveBuffer::Room::kReady) std::abort();
    if (buffer.Capacity() < buffer.Length() + kReceiveChunk || buffer.Capacity() > limit) std::abort();
    if (buffer.Length() != held.size() || std::memcmp(buffer.Data(), held.data(), held.size()) != 0) std::abort();

    for (;;) {
      size_t start = 0, length = 0;
      bool expected = PlainSearch(held, start, length);
      ReceiveBuffer::Frame frame{};
      bool found = buffer.FindFrame(frame);
      if (found != expected) std::abort();
      if (!found) break;
      if (frame.start != start || frame.length != length) std::abort();
      if (buffer.Data()[frame.start] != 0xFF || buffer.Data()[frame.start + frame.length - 1] != 0xD9) std::abort();
      buffer.Consume(frame.start + frame.length);
      held.erase(held.begin(), held.begin() + static_cast<std::ptrdiff_t>(start + length));
      if (buffer.Length() != held.size()) std::abort();
    }
  }
  return 0;
}
