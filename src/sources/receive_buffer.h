#pragma once
// What an IP camera client has received and not yet consumed, and how a
// picture is cut out of it: a snapshot response is parsed once the camera
// closes the connection; a stream is cut into frames between the JPEG
// markers FF D8 and FF D9 as the bytes arrive.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "common/picture.h"

inline constexpr size_t kReceiveChunk = 4096;      // least room left for the next read
inline constexpr size_t kMostReceived = 65536;     // most bytes asked of one read
inline constexpr size_t kReceiveGrowStep = 40960;  // first block and every growth
inline constexpr size_t kReceiveLimit = 26214400;  // 25 MB, room for the next read included

class ReceiveBuffer {
 public:
  enum class Room { kReady, kLimitReached, kExpansionFailed };
  struct Frame {
    size_t start;   // position of FF D8
    size_t length;  // up to and including FF D9
  };

  using Reallocate = void* (*)(void*, size_t);
  // limit: kReceiveLimit for a camera; smaller only to exercise the cap.
  // reallocate: realloc, or a failing one to exercise running out of memory.
  explicit ReceiveBuffer(size_t limit = kReceiveLimit, Reallocate reallocate = &std::realloc)
      : limit_(limit), reallocate_(reallocate) {}

  // Allocates the first block when there is none; false when that fails.
  bool Prepare();
  // At least kReceiveChunk writable bytes behind Length(), after Prepare.
  uint8_t* ReadSpace() { return data_.get() + length_; }
  // How many bytes the next read may bring: the room behind Length(), up
  // to kMostReceived, so that a picture costs one or two reads.
  size_t ReadRoom() const { return capacity_ - length_ < kMostReceived ? capacity_ - length_ : kMostReceived; }
  // Counts count received bytes in, then makes room for the next read:
  // kLimitReached when the bytes and the next read would pass
  // the limit, kExpansionFailed when growing fails.
  Room Commit(size_t count);
  // The first complete frame: the first FF D8, and the first FF D9 after
  // it. Remembers how far it has looked, so a frame that arrives in many
  // reads is not searched again from the start every time.
  bool FindFrame(Frame& frame);
  // Drops the first count bytes, moving the rest to the front.
  void Consume(size_t count);
  // Frees the memory.
  void Clear();

  // Null without a block: before Prepare, after Clear.
  const uint8_t* Data() const { return data_.get(); }
  size_t Length() const { return length_; }
  size_t Capacity() const { return capacity_; }

 private:
  struct Free {
    void operator()(uint8_t* p) const { std::free(p); }
  };
  void ResetScan();

  size_t limit_;
  Reallocate reallocate_;
  std::unique_ptr<uint8_t, Free> data_;
  size_t length_ = 0;
  size_t capacity_ = 0;
  // Search state of FindFrame: where the next start-marker search begins
  // (0 until found), where the start marker lies, where the next
  // end-marker search begins.
  size_t startSearch_ = 0;
  bool startFound_ = false;
  size_t start_ = 0;
  size_t endSearch_ = 0;
};

// The body of a snapshot response: everything after the first CR LF CR LF
// that has at least one byte behind it.
bool FindSnapshotBody(const uint8_t* data, size_t length, size_t& bodyStart);

enum class SnapshotResult {
  kNoValidData,  // too short, or no header end with a body behind it
  kNotJpeg,      // a body that does not decode
  kTooLarge,     // a picture beyond kMaxCameraPixels, left undecoded
  kPicture,
};
// Parses a complete snapshot response into picture (emptied unless the
// result is kPicture). For kTooLarge, `refusal` (when given) gets the
// status text that names the size.
SnapshotResult DecodeSnapshot(const uint8_t* data, size_t length, Picture& picture, std::string* refusal = nullptr);
// More than this many bytes make a response worth parsing.
inline constexpr size_t kShortestSnapshot = 3;
