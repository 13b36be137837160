#pragma once
// Alerts to a web hook: a POST of a JSON document per event (the end of
// motion too) to the address of the alert settings, on a thread of its own.

#include <memory>
#include <string>

#include "events/alert_queue.h"
#include "events/alert_settings.h"
#include "events/delivery_thread_win.h"
#include "events/web_hook_url.h"
#include "net/tls_config.h"

class WebHookChannel : public AlertChannel {
 public:
  WebHookChannel(const AlertServers& servers, DeliveryListener listener);
  ~WebHookChannel() override;
  void Send(const Alert& alert) override;

 private:
  DeliveryResult Deliver(const Alert& alert);

  WebHookUrl url_;
  std::string urlError_;  // why hookUrl cannot be used, or ""
  std::string trustedCertificates_;
  std::unique_ptr<TlsConfig> tls_;
  DeliveryThread thread_;  // last: it stops before the rest goes
};
