#include "events/mail_channel_win.h"

#include "events/mail_message.h"
#include "net/net_stream_win.h"

namespace {

constexpr int kConnectMs = 15000;
constexpr int kAnswerMs = 60000;

std::string HelloName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  return GetComputerNameA(name, &size) && size > 0 ? std::string(name, size) : "localhost";
}

}  // namespace

MailChannel::MailChannel(const AlertServers& servers, DeliveryListener listener)
    : host_(servers.smtpHost),
      port_(static_cast<uint16_t>(servers.smtpPort)),
      trustedCertificates_(servers.trustedCertificates),
      thread_("Mail", std::move(listener)) {
  smtp_.security = static_cast<MailSecurity>(servers.smtpSecurity);
  smtp_.helloName = HelloName();
  smtp_.user = servers.smtpUser;
  smtp_.password = servers.smtpPassword;
  smtp_.from = servers.mailFrom;
  std::vector<std::string> from;
  if (!ParseMailAddresses(servers.mailTo, smtp_.to, addressError_) ||
      !ParseMailAddresses(servers.mailFrom, from, addressError_)) {
    addressError_ = "the mail settings cannot be used: " + addressError_;
  } else {
    smtp_.from = from.front();
  }
  thread_.Start([this](const Alert& alert) { return Deliver(alert); });
}

MailChannel::~MailChannel() {
  thread_.Stop();
}

void MailChannel::Send(const Alert& alert) {
  if (MailWanted(alert)) thread_.Push(alert);
}

bool MailChannel::StartTls(NetStream& stream, std::string& error) {
  if (!tls_) tls_ = MakeClientTlsConfig(trustedCertificates_, error);
  if (tls_ && stream.StartTls(*tls_, host_, kConnectMs, error)) return true;
  error = "no secure connection to " + host_ + ": " + error;
  return false;
}

DeliveryResult MailChannel::Deliver(const Alert& alert) {
  if (!addressError_.empty()) return {DeliveryOutcome::kDrop, addressError_};
  if (host_.empty()) return {DeliveryOutcome::kDrop, "no mail server is set"};
  NetStream stream(thread_.StopEvent());
  std::string error;
  if (!stream.Connect(host_, port_, kConnectMs, error)) {
    return {DeliveryOutcome::kRetry, "cannot reach " + host_ + ":" + std::to_string(port_) + " (" + error + ")"};
  }
  if (smtp_.security == MailSecurity::kTls && !StartTls(stream, error)) return {DeliveryOutcome::kRetry, error};
  const MailHeaders headers{smtp_.from, smtp_.to, MailMessageId(alert, smtp_.from, ++sent_ + GetTickCount64())};
  SmtpDialogue dialogue(smtp_, ComposeMail(alert, headers));
  return Converse(stream, dialogue);
}

DeliveryResult MailChannel::Converse(NetStream& stream, SmtpDialogue& dialogue) {
  SmtpReplyReader reader;
  std::string error;
  for (;;) {
    SmtpReply reply;
    SmtpRead read;
    while ((read = reader.Next(reply)) == SmtpRead::kNeedMore) {
      std::string received;
      const StreamWait wait = stream.Receive(received, kAnswerMs, error);
      if (wait == StreamWait::kTimeout)
        error = "the server did not answer within " + std::to_string(kAnswerMs / 1000) + " s";
      if (wait == StreamWait::kClosed) error = "the server closed the connection";
      if (wait != StreamWait::kData) return {DeliveryOutcome::kRetry, error};
      reader.Feed(received);
    }
    if (read == SmtpRead::kMalformed) return {DeliveryOutcome::kRetry, "the server does not answer as a mail server"};
    const SmtpStep step = dialogue.OnReply(reply);
    if (step.action == SmtpStep::Action::kStartTls) {
      // Bytes sent ahead of the handshake could be an attacker's, not the server's.
      if (reader.HasPending()) return {DeliveryOutcome::kRetry, "the server spoke out of turn during STARTTLS"};
      if (!StartTls(stream, error)) return {DeliveryOutcome::kRetry, error};
    }
    const bool sent = stream.Send(step.bytes, kAnswerMs, error);
    if (step.action == SmtpStep::Action::kFinished) return {};
    if (step.action == SmtpStep::Action::kFailed) return step.failure;
    if (!sent) return {DeliveryOutcome::kRetry, "sending to the server failed (" + error + ")"};
  }
}
