#pragma once
// The client's side of one SMTP session that hands over one message, as a
// state machine: each server reply gives the next step. The connection, and
// TLS from the first byte for the "TLS" choice, are the caller's.
//
// Credentials go only through TLS, unless the user chose no security: then
// the login, if a user is set, goes in clear, as the user asked. With
// STARTTLS chosen, a server that does not offer it is an error, never a
// silent fall back to clear text.

#include <string>
#include <vector>

#include "events/alert_settings.h"
#include "events/delivery_outcome.h"
#include "events/smtp_reply.h"

struct SmtpSettings {
  MailSecurity security = MailSecurity::kStartTls;
  std::string helloName;  // how the client names itself in EHLO
  std::string user;       // "" = no login
  std::string password;
  std::string from;
  std::vector<std::string> to;
};

struct SmtpStep {
  enum class Action {
    kSend,      // send `bytes`, then read the next reply
    kStartTls,  // run the TLS handshake, then send `bytes`
    kFinished,  // the message was accepted; `bytes` says goodbye
    kFailed,    // `failure` says why; `bytes` may say goodbye
  };
  Action action = Action::kSend;
  std::string bytes;
  bool secret = false;  // `bytes` carry the credentials: never logged
  DeliveryResult failure;
};

class SmtpDialogue {
 public:
  // `message` is the whole message as composed, lines ended by CRLF.
  SmtpDialogue(SmtpSettings settings, std::string message);
  SmtpStep OnReply(const SmtpReply& reply);

 private:
  enum class State {
    kGreeting,
    kHello,
    kStartTls,
    kAuthPlain,
    kAuthLogin,
    kAuthUser,
    kAuthPassword,
    kMailFrom,
    kRecipient,
    kData,
    kMessage,
    kDone
  };
  SmtpStep AfterHello(const SmtpReply& reply);
  SmtpStep Authenticate(const SmtpReply& hello);
  SmtpStep MailFrom();
  SmtpStep Hello();
  SmtpStep Fail(const SmtpReply& reply, const std::string& what, bool login = false);

  SmtpSettings settings_;
  std::string message_;
  State state_ = State::kGreeting;
  bool secure_;
  size_t recipient_ = 0;
};
