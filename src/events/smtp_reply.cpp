#include "events/smtp_reply.h"

namespace {

// RFC 5321 allows 512 bytes a line; servers send a little more in practice.
constexpr size_t kMaxLine = 2048;
constexpr size_t kMaxLines = 200;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

std::string SmtpReply::Summary() const {
  std::string text = std::to_string(code);
  if (!lines.empty() && !lines.front().empty()) text += " " + lines.front();
  return text;
}

void SmtpReplyReader::Feed(std::string_view bytes) {
  if (!malformed_) pending_.append(bytes);
}

SmtpRead SmtpReplyReader::Next(SmtpReply& reply) {
  while (!malformed_) {
    const size_t end = pending_.find('\n');
    if (end == std::string::npos) {
      malformed_ = pending_.size() > kMaxLine;
      return malformed_ ? SmtpRead::kMalformed : SmtpRead::kNeedMore;
    }
    std::string_view line(pending_.data(), end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const bool shaped = line.size() >= 3 && IsDigit(line[0]) && IsDigit(line[1]) && IsDigit(line[2]) &&
                        (line.size() == 3 || line[3] == ' ' || line[3] == '-');
    const int code = shaped ? (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0') : 0;
    if (!shaped || end > kMaxLine || code < 200 || code > 599 || (!partial_.lines.empty() && code != partial_.code) ||
        partial_.lines.size() == kMaxLines) {
      malformed_ = true;
      break;
    }
    const bool last = line.size() == 3 || line[3] == ' ';
    partial_.code = code;
    partial_.lines.emplace_back(line.size() > 4 ? line.substr(4) : std::string_view());
    pending_.erase(0, end + 1);
    if (last) {
      reply = std::move(partial_);
      partial_ = {};
      return SmtpRead::kReply;
    }
  }
  pending_.clear();
  return SmtpRead::kMalformed;
}
