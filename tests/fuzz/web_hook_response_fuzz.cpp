// The head of a web hook receiver's answer, and the judgement on it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "events/web_hook_response.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  WebHookResponse response;
  if (ParseWebHookResponse(std::string_view(reinterpret_cast<const char*>(data), size), response)) {
    const DeliveryResult result = JudgeWebHookStatus(response);
    if (result.retryAfterMs < 0) std::abort();
  }
  return 0;
}
