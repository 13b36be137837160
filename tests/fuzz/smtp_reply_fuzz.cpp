// SMTP replies as a server sends them, cut at arbitrary places.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "events/smtp_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SmtpReplyReader reader;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // The first byte picks the piece size, so replies split everywhere.
  const size_t piece = size > 0 ? 1 + data[0] % 64 : 1;
  for (size_t start = 0; start < bytes.size(); start += piece) {
    reader.Feed(bytes.substr(start, piece));
    SmtpReply reply;
    while (reader.Next(reply) == SmtpRead::kReply)
      if (reply.code < 200 || reply.code > 599 || reply.lines.empty() || reply.Summary().empty()) std::abort();
  }
  return 0;
}
