#include "sources/rtsp_stream_splitter.h"

#include <algorithm>
#include <cstring>

#include "sources/rtsp_message.h"

namespace {

// A message's first line is looked for within so many bytes.
constexpr size_t kMaxFirstLine = 512;
constexpr size_t kFrameHeader = 4;

bool IsMethodCharacter(uint8_t c) {
  return (c >= 'A' && c <= 'Z') || c == '_';
}

bool MayStartPiece(uint8_t c) {
  return c == '$' || IsMethodCharacter(c);
}

// "RTSP/1.x ddd ..." from the camera, or "METHOD url RTSP/1.x" it sends.
bool IsFirstLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  for (char c : line)
    if (static_cast<uint8_t>(c) < 0x20 || static_cast<uint8_t>(c) >= 0x7F) return false;
  if (line.starts_with("RTSP/1.")) {
    return line.size() >= 12 && line[8] == ' ' &&
           std::all_of(line.begin() + 9, line.begin() + 12, [](char c) { return c >= '0' && c <= '9'; });
  }
  const size_t space = line.find(' ');
  return space != std::string_view::npos && space > 0 && line.size() >= 9 &&
         line.substr(line.size() - 9, 8) == " RTSP/1." &&
         std::all_of(line.begin(), line.begin() + space, [](char c) { return IsMethodCharacter(c); });
}

}  // namespace

uint8_t* RtspStreamSplitter::WriteSpace(size_t size) {
  if (consumed_ > 0) {
    std::memmove(bytes_.data(), bytes_.data() + consumed_, used_ - consumed_);
    used_ -= consumed_;
    consumed_ = 0;
  }
  if (bytes_.size() < used_ + size) bytes_.resize(used_ + size);
  return bytes_.data() + used_;
}

void RtspStreamSplitter::Commit(size_t count) {
  used_ = std::min(used_ + count, bytes_.size());
}

void RtspStreamSplitter::Append(const uint8_t* data, size_t size) {
  if (size == 0) return;
  std::memcpy(WriteSpace(size), data, size);
  Commit(size);
}

RtspStreamSplitter::Start RtspStreamSplitter::Classify(size_t at) const {
  const uint8_t* p = bytes_.data() + at;
  const size_t held = used_ - at;
  if (p[0] == '$') return Start::kFrame;
  if (!IsMethodCharacter(p[0])) return Start::kNeither;
  const size_t window = std::min(held, kMaxFirstLine);
  const auto* end = std::find(p, p + window, '\n');
  if (end == p + window) return held < kMaxFirstLine ? Start::kMaybe : Start::kNeither;
  return IsFirstLine({reinterpret_cast<const char*>(p), static_cast<size_t>(end - p)}) ? Start::kMessage
                                                                                       : Start::kNeither;
}

RtspStreamSplitter::Piece RtspStreamSplitter::TakeMessage() {
  const char* text = reinterpret_cast<const char*>(bytes_.data() + consumed_);
  const std::string_view held(text, std::min(used_ - consumed_, kMaxRtspMessageBytes));
  size_t headEnd = std::string_view::npos;
  // A header block that arrives in many reads is not searched again from its start.
  const size_t from = headSearched_ > 2 ? headSearched_ - 2 : 0;
  for (size_t at = held.find('\n', from); at != std::string_view::npos; at = held.find('\n', at + 1)) {
    if (at + 1 < held.size() && held[at + 1] == '\n') {
      headEnd = at + 2;
      break;
    }
    if (at + 2 < held.size() && held[at + 1] == '\r' && held[at + 2] == '\n') {
      headEnd = at + 3;
      break;
    }
  }
  if (headEnd == std::string_view::npos) {
    headSearched_ = held.size();
    return used_ - consumed_ >= kMaxRtspMessageBytes ? Piece::kBadMessage : Piece::kNeedMore;
  }
  size_t bodyLength = 0;
  if (!RtspContentLength(held.substr(0, headEnd), bodyLength) || bodyLength > kMaxRtspMessageBytes - headEnd)
    return Piece::kBadMessage;
  if (used_ - consumed_ < headEnd + bodyLength) return Piece::kNeedMore;
  message_ = std::string_view(text, headEnd + bodyLength);
  consumed_ += message_.size();
  headSearched_ = 0;
  return Piece::kMessage;
}

RtspStreamSplitter::Piece RtspStreamSplitter::Next() {
  while (consumed_ < used_) {
    switch (Classify(consumed_)) {
      case Start::kFrame: {
        if (used_ - consumed_ < kFrameHeader) return Piece::kNeedMore;
        const uint8_t* header = bytes_.data() + consumed_;
        const size_t length = static_cast<size_t>(header[2]) << 8 | header[3];
        if (used_ - consumed_ < kFrameHeader + length) return Piece::kNeedMore;
        channel_ = header[1];
        payload_ = header + kFrameHeader;
        payloadSize_ = length;
        consumed_ += kFrameHeader + length;
        skippedInRow_ = 0;
        return Piece::kFrame;
      }
      case Start::kMessage: {
        const Piece piece = TakeMessage();
        if (piece == Piece::kMessage) skippedInRow_ = 0;
        return piece;
      }
      case Start::kMaybe:
        return Piece::kNeedMore;
      case Start::kNeither: {
        const uint8_t* from = bytes_.data() + consumed_;
        const uint8_t* held = bytes_.data() + used_;
        const auto* to = std::find_if(from + 1, held, MayStartPiece);
        const auto skipped = static_cast<size_t>(to - from);
        consumed_ += skipped;
        skippedTotal_ += skipped;
        skippedInRow_ += skipped;
        if (skippedInRow_ >= kMaxSkippedBytes) return Piece::kUnsynchronised;
        break;
      }
    }
  }
  return Piece::kNeedMore;
}
