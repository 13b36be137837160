#include "web/live_stream.h"

#include <string>

namespace {
std::shared_ptr<StreamPart> PartOf(uint64_t number, std::string_view text) {
  auto part = std::make_shared<StreamPart>();
  part->number = number;
  part->bytes.assign(text.begin(), text.end());
  return part;
}
}  // namespace

SharedStreamPart StreamHeaderPart() {
  std::string header =
      "HTTP/1.0 200 OK\r\nCache-Control: no-cache\r\nContent-Type: multipart/x-mixed-replace; boundary=";
  header.append(kStreamBoundary).append("\r\n\r\n");
  return PartOf(0, header);
}

SharedStreamPart FrameStreamPart(uint64_t number, const std::vector<unsigned char>& jpeg) {
  std::string head = "--";
  head.append(kStreamBoundary).append("\r\nContent-Type: image/jpeg\r\nContent-Length: ");
  head.append(std::to_string(jpeg.size())).append("\r\n\r\n");
  auto part = PartOf(number, head);
  part->bytes.reserve(head.size() + jpeg.size() + 2);
  part->bytes.insert(part->bytes.end(), jpeg.begin(), jpeg.end());
  part->bytes.push_back('\r');
  part->bytes.push_back('\n');
  return part;
}

StreamViewer::StreamViewer(uint64_t newestNumber) : current_(StreamHeaderPart()), lastNumber_(newestNumber) {}

std::span<const unsigned char> StreamViewer::Pending(const SharedStreamPart& newest) {
  if (current_ && offset_ < current_->bytes.size()) {
    return std::span<const unsigned char>(current_->bytes).subspan(offset_);
  }
  current_.reset();  // sent: let it go before anything else is held
  if (!newest || newest->number <= lastNumber_) return {};
  lastNumber_ = newest->number;
  current_ = newest;
  offset_ = 0;
  return current_->bytes;
}

void StreamViewer::Sent(size_t count) {
  offset_ += count;
}
