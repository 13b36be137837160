#include "events/alert_settings.h"

#include <algorithm>

namespace {

int32_t Flag(int32_t value) {
  return value != 0 ? 1 : 0;
}

int32_t Port(int32_t value, int32_t fallback) {
  return value >= 1 && value <= 65535 ? value : fallback;
}

template <size_t N>
void Terminate(char (&text)[N]) {
  text[N - 1] = '\0';
}

}  // namespace

CameraAlerts ClampCameraAlerts(CameraAlerts alerts) {
  alerts.mail = Flag(alerts.mail);
  alerts.hook = Flag(alerts.hook);
  alerts.mqtt = Flag(alerts.mqtt);
  alerts.coolDownSeconds = std::clamp(alerts.coolDownSeconds, 0, 86400);
  alerts.onlyWhenScheduled = Flag(alerts.onlyWhenScheduled);
  return alerts;
}

AlertServers ClampAlertServers(const AlertServers& servers) {
  AlertServers out = servers;
  Terminate(out.smtpHost);
  Terminate(out.smtpUser);
  Terminate(out.smtpPassword);
  Terminate(out.mailFrom);
  Terminate(out.mailTo);
  Terminate(out.hookUrl);
  Terminate(out.mqttHost);
  Terminate(out.mqttUser);
  Terminate(out.mqttPassword);
  Terminate(out.mqttPrefix);
  Terminate(out.trustedCertificates);
  out.smtpPort = Port(out.smtpPort, 587);
  out.smtpSecurity = std::clamp(out.smtpSecurity, 0, 2);
  out.mqttTls = Flag(out.mqttTls);
  out.mqttPort = Port(out.mqttPort, out.mqttTls ? 8883 : 1883);
  out.maxEvents = std::max(out.maxEvents, 100);
  return out;
}
