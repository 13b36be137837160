#pragma once
// The bytes of an RTSP connection that carries its RTP inside: RTSP
// messages (the camera's responses, and requests some cameras send) and
// interleaved frames ('$', channel, 16-bit length, payload), cut out of
// reads that may end anywhere. No socket here: the caller reads into
// WriteSpace, commits, and takes pieces until it is told to read again.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// A message's header block and body together may not pass this.
inline constexpr size_t kMaxRtspMessageBytes = 65536;
// Bytes that are neither a message nor a frame, skipped in a row before the
// connection counts as lost.
inline constexpr size_t kMaxSkippedBytes = 65536;

class RtspStreamSplitter {
 public:
  enum class Piece {
    kNeedMore,        // read again
    kMessage,         // Message() holds it
    kFrame,           // Channel() and Payload() hold it
    kBadMessage,      // beyond the size limit or with an unreadable length
    kUnsynchronised,  // as much garbage in a row as kMaxSkippedBytes
  };

  // Room for size received bytes; valid until Commit.
  uint8_t* WriteSpace(size_t size);
  // Counts count bytes of the space in.
  void Commit(size_t count);
  void Append(const uint8_t* data, size_t size);

  // The next piece. What it points into stays valid until the next call of
  // Next or WriteSpace.
  Piece Next();
  std::string_view Message() const { return message_; }
  uint8_t Channel() const { return channel_; }
  const uint8_t* Payload() const { return payload_; }
  size_t PayloadSize() const { return payloadSize_; }
  // All garbage bytes skipped so far.
  size_t SkippedBytes() const { return skippedTotal_; }

 private:
  enum class Start { kFrame, kMessage, kMaybe, kNeither };
  Start Classify(size_t at) const;
  Piece TakeMessage();

  std::vector<uint8_t> bytes_;
  size_t used_ = 0;          // bytes held
  size_t consumed_ = 0;      // bytes handed out or skipped, at the front
  size_t headSearched_ = 0;  // of the message at the front, how much was searched for its header's end
  size_t skippedInRow_ = 0;
  size_t skippedTotal_ = 0;
  std::string_view message_;
  uint8_t channel_ = 0;
  const uint8_t* payload_ = nullptr;
  size_t payloadSize_ = 0;
};
