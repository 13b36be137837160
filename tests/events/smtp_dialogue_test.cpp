#include "events/smtp_dialogue.h"

#include <gtest/gtest.h>

#include "net/base64.h"

namespace {

SmtpReply Reply(const std::string& text) {
  SmtpReplyReader reader;
  reader.Feed(text);
  SmtpReply reply;
  EXPECT_EQ(reader.Next(reply), SmtpRead::kReply) << text;
  return reply;
}

struct Script {
  MailSecurity security;
  std::string user;
  std::vector<std::string> replies;  // the server's, in order
  std::string client;                // what the client sends, "|" between steps
  SmtpStep::Action last;
  DeliveryOutcome outcome;
};

TEST(SmtpDialogue, FollowsTheServer) {
  const std::string plain = "AUTH PLAIN " + Base64Encode(std::string("\0u\0pw", 5));
  const std::string body = "DATA|a\r\n..b\r\n.\r\n";
  const Script scripts[] = {
      {MailSecurity::kStartTls,
       "u",
       {"220 hi\r\n", "250-mx\r\n250-STARTTLS\r\n250 AUTH LOGIN PLAIN\r\n", "220 go\r\n",
        "250-mx\r\n250 AUTH LOGIN PLAIN\r\n", "235 ok\r\n", "250 ok\r\n", "250 ok\r\n", "251 ok\r\n", "354 go\r\n",
        "250 queued\r\n"},
       "EHLO pc|STARTTLS|*EHLO pc|" + plain + "|MAIL FROM:<a@x>|RCPT TO:<b@y>|RCPT TO:<c@z>|" + body + "|QUIT",
       SmtpStep::Action::kFinished,
       DeliveryOutcome::kDelivered},
      {MailSecurity::kTls,
       "u",
       {"220 hi\r\n", "250-mx\r\n250 AUTH=LOGIN\r\n", "334 VXNlcm5hbWU6\r\n", "334 UGFzc3dvcmQ6\r\n",
        "535 5.7.8 bad\r\n"},
       "EHLO pc|AUTH LOGIN|dQ==|cHc=|QUIT",
       SmtpStep::Action::kFailed,
       DeliveryOutcome::kRetry},
      {MailSecurity::kStartTls,
       "u",
       {"220 hi\r\n", "250-mx\r\n250 AUTH PLAIN\r\n"},
       "EHLO pc|QUIT",
       SmtpStep::Action::kFailed,
       DeliveryOutcome::kRetry},
      {MailSecurity::kTls,
       "u",
       {"220 hi\r\n", "250-mx\r\n250 SIZE 100\r\n"},
       "EHLO pc|QUIT",
       SmtpStep::Action::kFailed,
       DeliveryOutcome::kRetry},
      {MailSecurity::kNone,
       "u",
       {"220 hi\r\n", "250-mx\r\n250 AUTH PLAIN\r\n", "235 ok\r\n", "550 no\r\n"},
       "EHLO pc|" + plain + "|MAIL FROM:<a@x>|QUIT",
       SmtpStep::Action::kFailed,
       DeliveryOutcome::kDrop},
      {MailSecurity::kNone,
       "",
       {"220 hi\r\n", "250 mx\r\n", "250 ok\r\n", "450 busy\r\n"},
       "EHLO pc|MAIL FROM:<a@x>|RCPT TO:<b@y>|QUIT",
       SmtpStep::Action::kFailed,
       DeliveryOutcome::kRetry},
      {MailSecurity::kNone, "", {"554 go away\r\n"}, "QUIT", SmtpStep::Action::kFailed, DeliveryOutcome::kDrop},
  };
  for (const Script& script : scripts) {
    SmtpDialogue dialogue({script.security, "pc", script.user, "pw", "a@x", {"b@y", "c@z"}}, "a\r\n.b");
    std::string client;
    SmtpStep step;
    for (const std::string& reply : script.replies) {
      step = dialogue.OnReply(Reply(reply));
      std::string bytes = step.bytes;
      while (bytes.size() >= 2 && bytes.substr(bytes.size() - 2) == "\r\n" &&
             bytes.find("\r\n.\r\n") == std::string::npos)
        bytes.resize(bytes.size() - 2);
      client +=
          (client.empty() ? "" : "|") + std::string(step.action == SmtpStep::Action::kStartTls ? "*" : "") + bytes;
      EXPECT_EQ(step.secret, bytes.rfind("AUTH PLAIN", 0) == 0 || bytes == "dQ==" || bytes == "cHc=") << bytes;
    }
    EXPECT_EQ(client, script.client);
    EXPECT_EQ(step.action, script.last) << script.client;
    EXPECT_EQ(step.failure.outcome, script.outcome) << script.client;
    EXPECT_EQ(step.failure.error.find("pw"), std::string::npos);
  }
}

}  // namespace
