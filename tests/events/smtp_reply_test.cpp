#include "events/smtp_reply.h"

#include <gtest/gtest.h>

namespace {

// The replies a stream gives, fed one byte at a time, then "!" if the
// stream is malformed.
std::string Replies(const std::string& bytes) {
  SmtpReplyReader reader;
  std::string out;
  for (char c : bytes) {
    reader.Feed(std::string(1, c));
    SmtpReply reply;
    SmtpRead read;
    while ((read = reader.Next(reply)) == SmtpRead::kReply) {
      out += std::to_string(reply.code);
      for (const std::string& line : reply.lines) out += "[" + line + "]";
      out += ";";
    }
    if (read == SmtpRead::kMalformed) return out + "!";
  }
  return out;
}

TEST(SmtpReplyReader, CutsRepliesFromAStream) {
  const struct {
    std::string bytes, replies;
  } cases[] = {
      {"220 mx ready\r\n354 go\n", "220[mx ready];354[go];"},
      {"250-mx\r\n250-STARTTLS\r\n250 AUTH PLAIN\r\n", "250[mx][STARTTLS][AUTH PLAIN];"},
      {"250-mx\r\n", ""},
      {"250-mx\r\n251 other\r\n", "!"},
      {"25 short\r\n", "!"},
      {"abc\r\n", "!"},
      {"199 low\r\n", "!"},
      {std::string(3000, '2'), "!"},
      {"220 ok\r\n\r\n", "220[ok];!"},
  };
  for (const auto& c : cases) EXPECT_EQ(Replies(c.bytes), c.replies) << c.bytes.substr(0, 40);
}

}  // namespace
