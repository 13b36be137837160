#pragma once
// Alerts by e-mail: one mail per event (not for the end of motion) through
// the SMTP server of the alert settings, on a thread of its own.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "events/alert_queue.h"
#include "events/alert_settings.h"
#include "events/delivery_thread_win.h"
#include "events/smtp_dialogue.h"
#include "net/tls_config.h"

class NetStream;

class MailChannel : public AlertChannel {
 public:
  MailChannel(const AlertServers& servers, DeliveryListener listener);
  ~MailChannel() override;
  void Send(const Alert& alert) override;

 private:
  DeliveryResult Deliver(const Alert& alert);
  DeliveryResult Converse(NetStream& stream, SmtpDialogue& dialogue);
  bool StartTls(NetStream& stream, std::string& error);

  std::string host_;
  uint16_t port_;
  std::string trustedCertificates_;
  SmtpSettings smtp_;
  std::string addressError_;  // why mailTo cannot be used, or ""
  std::unique_ptr<TlsConfig> tls_;
  uint64_t sent_ = 0;
  DeliveryThread thread_;  // last: it stops before the rest goes
};
