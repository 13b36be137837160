#include "events/smtp_dialogue.h"

#include <utility>

#include "common/text_case.h"
#include "net/base64.h"

namespace {

// The words of an extension line of an EHLO reply: "AUTH PLAIN LOGIN", or
// "AUTH=LOGIN" as older servers write it.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  for (char c : line + " ") {
    if (c == ' ' || c == '=') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word.push_back(c);
    }
  }
  return words;
}

bool Offers(const SmtpReply& hello, const std::string& extension, const std::string& parameter = "") {
  for (size_t i = 1; i < hello.lines.size(); ++i) {
    const std::vector<std::string> words = Words(hello.lines[i]);
    if (words.empty() || !EqualsNoCase(words[0], extension)) continue;
    if (parameter.empty()) return true;
    for (size_t k = 1; k < words.size(); ++k)
      if (EqualsNoCase(words[k], parameter)) return true;
  }
  return false;
}

// Ends the message's data: lines starting with a dot get another, and the
// data ends with a line holding one dot.
std::string DotStuffed(const std::string& message) {
  std::string out;
  out.reserve(message.size() + message.size() / 64 + 8);
  bool lineStart = true;
  for (char c : message) {
    if (lineStart && c == '.') out.push_back('.');
    out.push_back(c);
    lineStart = c == '\n';
  }
  if (!lineStart) out += "\r\n";
  return out + ".\r\n";
}

const char* const kLoginRefused = "the server refused the login";

SmtpStep Send(std::string bytes, bool secret = false) {
  SmtpStep step;
  step.bytes = std::move(bytes);
  step.secret = secret;
  return step;
}

}  // namespace

SmtpDialogue::SmtpDialogue(SmtpSettings settings, std::string message)
    : settings_(std::move(settings)), message_(std::move(message)), secure_(settings_.security == MailSecurity::kTls) {}

SmtpStep SmtpDialogue::Fail(const SmtpReply& reply, const std::string& what, bool login) {
  state_ = State::kDone;
  SmtpStep step;
  step.action = SmtpStep::Action::kFailed;
  step.bytes = "QUIT\r\n";
  // A temporary refusal (4xx) may pass later; so may a refused login, once
  // the password is mended. Other permanent refusals would only repeat.
  const bool retry = reply.code < 500 || login;
  step.failure = {retry ? DeliveryOutcome::kRetry : DeliveryOutcome::kDrop, what + " (" + reply.Summary() + ")"};
  return step;
}

SmtpStep SmtpDialogue::Hello() {
  state_ = State::kHello;
  return Send("EHLO " + settings_.helloName + "\r\n");
}

SmtpStep SmtpDialogue::OnReply(const SmtpReply& reply) {
  const int code = reply.code;
  switch (state_) {
    case State::kGreeting:
      return code == 220 ? Hello() : Fail(reply, "the server does not take mail now");
    case State::kHello:
      return code == 250 ? AfterHello(reply) : Fail(reply, "the server refused the greeting");
    case State::kStartTls:
      if (code != 220) return Fail(reply, "the server refused STARTTLS");
      secure_ = true;
      state_ = State::kHello;
      return {SmtpStep::Action::kStartTls, "EHLO " + settings_.helloName + "\r\n", false, {}};
    case State::kAuthPlain:
    case State::kAuthPassword:
      return code == 235 ? MailFrom() : Fail(reply, kLoginRefused, true);
    case State::kAuthLogin:
      if (code != 334) return Fail(reply, kLoginRefused, true);
      state_ = State::kAuthUser;
      return Send(Base64Encode(settings_.user) + "\r\n", true);
    case State::kAuthUser:
      if (code != 334) return Fail(reply, kLoginRefused, true);
      state_ = State::kAuthPassword;
      return Send(Base64Encode(settings_.password) + "\r\n", true);
    case State::kMailFrom:
      if (code != 250) return Fail(reply, "the server refused the sender " + settings_.from);
      state_ = State::kRecipient;
      return Send("RCPT TO:<" + settings_.to[recipient_] + ">\r\n");
    case State::kRecipient:
      if (code != 250 && code != 251)
        return Fail(reply, "the server refused the recipient " + settings_.to[recipient_]);
      if (++recipient_ < settings_.to.size()) return Send("RCPT TO:<" + settings_.to[recipient_] + ">\r\n");
      state_ = State::kData;
      return Send("DATA\r\n");
    case State::kData:
      if (code != 354) return Fail(reply, "the server refused the message");
      state_ = State::kMessage;
      return Send(DotStuffed(message_));
    case State::kMessage:
      if (code != 250) return Fail(reply, "the server refused the message");
      state_ = State::kDone;
      return {SmtpStep::Action::kFinished, "QUIT\r\n", false, {}};
    case State::kDone:
      break;
  }
  return Fail(reply, "the server answered after the end");
}

SmtpStep SmtpDialogue::AfterHello(const SmtpReply& reply) {
  if (!secure_ && settings_.security == MailSecurity::kStartTls) {
    if (!Offers(reply, "STARTTLS")) return Fail(reply, "the server does not offer STARTTLS");
    state_ = State::kStartTls;
    return Send("STARTTLS\r\n");
  }
  return settings_.user.empty() ? MailFrom() : Authenticate(reply);
}

SmtpStep SmtpDialogue::Authenticate(const SmtpReply& hello) {
  if (Offers(hello, "AUTH", "PLAIN")) {
    state_ = State::kAuthPlain;
    return Send(
        "AUTH PLAIN " + Base64Encode(std::string(1, '\0') + settings_.user + '\0' + settings_.password) + "\r\n", true);
  }
  if (Offers(hello, "AUTH", "LOGIN")) {
    state_ = State::kAuthLogin;
    return Send("AUTH LOGIN\r\n");
  }
  SmtpReply none = hello;
  none.lines.resize(1);
  return Fail(none, "the server offers neither PLAIN nor LOGIN for the login");
}

SmtpStep SmtpDialogue::MailFrom() {
  if (settings_.to.empty()) {
    state_ = State::kDone;
    return {SmtpStep::Action::kFailed, "QUIT\r\n", false, {DeliveryOutcome::kDrop, "no recipient is set"}};
  }
  state_ = State::kMailFrom;
  return Send("MAIL FROM:<" + settings_.from + ">\r\n");
}
