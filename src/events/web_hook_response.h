#pragma once
// The answer of a web hook receiver, as far as delivery cares: the status
// line and the headers, and what the status means for the alert.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "events/delivery_outcome.h"

struct WebHookResponse {
  int status = 0;
  std::string reason;
  std::vector<std::pair<std::string, std::string>> headers;
};

// The head up to its blank line (the body is not needed). False for what is
// not an HTTP/1.x status line with three digits, or a header line without
// a colon.
bool ParseWebHookResponse(std::string_view head, WebHookResponse& out);

// 2xx delivered; 408, 429 and 5xx retried; any other status dropped, as the
// receiver will refuse the same request again. A retry keeps the seconds
// of a Retry-After header.
DeliveryResult JudgeWebHookStatus(const WebHookResponse& response);
