#include "events/web_hook_response.h"

#include "common/text_case.h"

namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

bool ParseWebHookResponse(std::string_view head, WebHookResponse& out) {
  size_t end = head.find('\n');
  std::string_view line = Trimmed(head.substr(0, end));
  if (!StartsWithNoCase(line, "HTTP/1.") || line.size() < 12 || !IsDigit(line[7]) || line[8] != ' ' ||
      !IsDigit(line[9]) || !IsDigit(line[10]) || !IsDigit(line[11]) || (line.size() > 12 && line[12] != ' ')) {
    return false;
  }
  WebHookResponse parsed;
  parsed.status = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
  if (line.size() > 13) parsed.reason = std::string(line.substr(13));
  while (end != std::string_view::npos) {
    head.remove_prefix(end + 1);
    end = head.find('\n');
    line = Trimmed(head.substr(0, end));
    if (line.empty()) break;
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    parsed.headers.emplace_back(std::string(Trimmed(line.substr(0, colon))),
                                std::string(Trimmed(line.substr(colon + 1))));
  }
  out = std::move(parsed);
  return true;
}

DeliveryResult JudgeWebHookStatus(const WebHookResponse& response) {
  const int status = response.status;
  if (status >= 200 && status < 300) return {};
  std::string what = std::to_string(status);
  if (!response.reason.empty()) what += " " + response.reason;
  if (status >= 500 || status == 408 || status == 429) {
    DeliveryResult retry{DeliveryOutcome::kRetry, "the receiver could not take the alert now (" + what + ")"};
    // Only the seconds form; a date would need the clocks to agree.
    for (const auto& [name, value] : response.headers) {
      if (!EqualsNoCase(name, "Retry-After") || value.empty() || value.size() > 6) continue;
      int64_t seconds = 0;
      for (char c : value) seconds = IsDigit(c) && seconds >= 0 ? seconds * 10 + (c - '0') : -1;
      retry.retryAfterMs = seconds > 0 ? seconds * 1000 : 0;
    }
    return retry;
  }
  return {DeliveryOutcome::kDrop, "the receiver refused the alert (" + what + ")"};
}
