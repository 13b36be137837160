#pragma once
// Live video as one multipart/x-mixed-replace response: a header, then one
// part per picture. A part is framed once and shared by every viewer; each
// viewer holds only the part it is sending, and when that is out it moves
// on to the newest part, skipping whatever came in between. So a slow
// client costs no memory beyond one part and never delays the others.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

inline constexpr std::string_view kStreamBoundary = "vorrandale-live-5f3c1a";

struct StreamPart {
  uint64_t number = 0;  // counts the feed's pictures from 1; the header is 0
  std::vector<unsigned char> bytes;
};
using SharedStreamPart = std::shared_ptr<const StreamPart>;

// "HTTP/1.0 200 OK", no-cache, the multipart type with kStreamBoundary.
SharedStreamPart StreamHeaderPart();
// The boundary line, "Content-Type: image/jpeg", the exact "Content-Length",
// a blank line, the picture and a line end.
SharedStreamPart FrameStreamPart(uint64_t number, const std::vector<unsigned char>& jpeg);

class StreamViewer {
 public:
  // The viewer joins a feed whose newest part so far is `newestNumber`
  // (0 before the first): it gets the header, then the next new part.
  explicit StreamViewer(uint64_t newestNumber);

  // The bytes to send now, given the feed's newest part (null before the
  // first): the rest of the part being sent, or the newest part once that is
  // out, or nothing when the viewer already has everything.
  std::span<const unsigned char> Pending(const SharedStreamPart& newest);
  // `count` bytes of Pending() were taken by the connection.
  void Sent(size_t count);

  // What the viewer keeps alive: at most the one part it is sending.
  size_t HeldBytes() const { return current_ && offset_ < current_->bytes.size() ? current_->bytes.size() : 0; }

 private:
  SharedStreamPart current_;
  size_t offset_ = 0;
  uint64_t lastNumber_;
};
