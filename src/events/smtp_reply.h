#pragma once
// The replies of an SMTP server, cut from the bytes as they arrive: a reply
// is one line "250 text" or several "250-text" lines ended by "250 text",
// all with the same code.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct SmtpReply {
  int code = 0;
  std::vector<std::string> lines;  // the texts after the code, in order
  // "535 5.7.8 Authentication failed", for reports: the code and first line.
  std::string Summary() const;
};

enum class SmtpRead { kReply, kNeedMore, kMalformed };

class SmtpReplyReader {
 public:
  void Feed(std::string_view bytes);
  // The next whole reply, if one has arrived. kMalformed is final: the
  // server does not speak SMTP, or sends more than any reply needs.
  SmtpRead Next(SmtpReply& reply);
  // Whether bytes wait beyond the replies taken (a server that talks ahead
  // of a STARTTLS handshake).
  bool HasPending() const { return !pending_.empty(); }

 private:
  std::string pending_;
  SmtpReply partial_;
  bool malformed_ = false;
};
