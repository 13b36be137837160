#include "events/smtp_dialogue.h"

#include <gtest/gtest.h>

#include "net/base64.h"

namespace {

struct Script {
  MailSecurity security;
  std::string user;
  std::string server;  // every reply, in order
  std::string client;  // what the client sends, "|" between steps, "*" after a TLS handshake
  SmtpStep::Action last;
  DeliveryOutcome outcome;
};

TEST(SmtpDialogue, FollowsTheServer) {
  const std::string plain = "AUTH PLAIN " + Base64Encode(std::string("\0u\0pw", 5));
  const std::string hello = "220 hi\r\n250-mx\r\n";
  using Action = SmtpStep::Action;
  const Script scripts[] = {
      {MailSecurity::kStartTls, "u",
       hello + "250-STARTTLS\r\n250 AUTH LOGIN PLAIN\r\n220 go\r\n250-mx\r\n250 AUTH LOGIN PLAIN\r\n235 ok\r\n"
               "250 ok\r\n250 ok\r\n251 ok\r\n354 go\r\n250 queued\r\n",
       "EHLO pc|STARTTLS|*EHLO pc|" + plain + "|MAIL FROM:<a@x>|RCPT TO:<b@y>|RCPT TO:<c@z>|DATA|a\r\n..b\r\n.|QUIT",
       Action::kFinished, DeliveryOutcome::kDelivered},
      {MailSecurity::kTls, "u", hello + "250 AUTH=LOGIN\r\n334 VXNlcm5hbWU6\r\n334 UGFzc3dvcmQ6\r\n535 5.7.8 bad\r\n",
       "EHLO pc|AUTH LOGIN|dQ==|cHc=|QUIT", Action::kFailed, DeliveryOutcome::kRetry},
      {MailSecurity::kStartTls, "u", hello + "250 AUTH PLAIN\r\n", "EHLO pc|QUIT", Action::kFailed,
       DeliveryOutcome::kRetry},
      {MailSecurity::kTls, "u", hello + "250 SIZE 100\r\n", "EHLO pc|QUIT", Action::kFailed, DeliveryOutcome::kRetry},
      {MailSecurity::kNone, "u", hello + "250 AUTH PLAIN\r\n235 ok\r\n550 no\r\n",
       "EHLO pc|" + plain + "|MAIL FROM:<a@x>|QUIT", Action::kFailed, DeliveryOutcome::kDrop},
      {MailSecurity::kNone, "", "220 hi\r\n250 mx\r\n250 ok\r\n450 busy\r\n",
       "EHLO pc|MAIL FROM:<a@x>|RCPT TO:<b@y>|QUIT", Action::kFailed, DeliveryOutcome::kRetry},
      {MailSecurity::kNone, "", "554 go away\r\n", "QUIT", Action::kFailed, DeliveryOutcome::kDrop},
  };
  for (const Script& script : scripts) {
    SmtpDialogue dialogue({script.security, "pc", script.user, "pw", "a@x", {"b@y", "c@z"}}, "a\r\n.b");
    SmtpReplyReader reader;
    reader.Feed(script.server);
    std::string client;
    SmtpStep step;
    for (SmtpReply reply; reader.Next(reply) == SmtpRead::kReply;) {
      step = dialogue.OnReply(reply);
      const std::string bytes = step.bytes.substr(0, step.bytes.size() - 2);  // without its CRLF
      client += (client.empty() ? "" : "|") + std::string(step.action == Action::kStartTls ? "*" : "") + bytes;
      EXPECT_EQ(step.secret, bytes.rfind("AUTH PLAIN", 0) == 0 || bytes == "dQ==" || bytes == "cHc=") << bytes;
    }
    EXPECT_EQ(client, script.client);
    EXPECT_EQ(step.action, script.last) << script.client;
    EXPECT_EQ(step.failure.outcome, script.outcome) << script.client;
  }
}

}  // namespace
