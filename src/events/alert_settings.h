#pragma once
// Who is told of a camera's events, and how to reach them. Both records are
// stored byte for byte in the configuration file's extension, so their
// layouts below are a file format (little-endian, NUL-terminated texts).

#include <cstddef>
#include <cstdint>

// One camera's choices, on its "Alerts" page.
struct CameraAlerts {
  int32_t mail = 0;               // 1 = an e-mail for each event
  int32_t hook = 0;               // 1 = a POST to the web hook
  int32_t mqtt = 0;               // 1 = the camera's topics on the MQTT broker
  int32_t coolDownSeconds = 60;   // no new alert sooner after the last one
  int32_t onlyWhenScheduled = 0;  // 1 = only while the recording schedule is on
};
static_assert(sizeof(CameraAlerts) == 20);
static_assert(offsetof(CameraAlerts, coolDownSeconds) == 12 && offsetof(CameraAlerts, onlyWhenScheduled) == 16);

enum class MailSecurity : int32_t { kNone = 0, kStartTls = 1, kTls = 2 };

// The program-wide servers, in one dialog.
struct AlertServers {
  char smtpHost[256] = {};
  int32_t smtpPort = 587;
  int32_t smtpSecurity = static_cast<int32_t>(MailSecurity::kStartTls);
  char smtpUser[128] = {};
  char smtpPassword[128] = {};
  char mailFrom[256] = {};
  char mailTo[256] = {};   // one or more addresses, separated by commas
  char hookUrl[512] = {};  // http:// or https://
  char mqttHost[256] = {};
  int32_t mqttPort = 1883;
  int32_t mqttTls = 0;
  char mqttUser[128] = {};
  char mqttPassword[128] = {};
  char mqttPrefix[64] = "vorrandale";
  // A PEM file of certificates trusted beside the computer's own, for
  // servers with a certificate of their own making; "" for none.
  char trustedCertificates[260] = {};
  int32_t maxEvents = 100000;  // the store keeps at most this many events
};
static_assert(offsetof(AlertServers, smtpPort) == 256 && offsetof(AlertServers, smtpUser) == 264);
static_assert(offsetof(AlertServers, mailFrom) == 520 && offsetof(AlertServers, hookUrl) == 1032);
static_assert(offsetof(AlertServers, mqttHost) == 1544 && offsetof(AlertServers, mqttPort) == 1800);
static_assert(offsetof(AlertServers, mqttUser) == 1808 && offsetof(AlertServers, mqttPrefix) == 2064);
static_assert(offsetof(AlertServers, trustedCertificates) == 2128 && offsetof(AlertServers, maxEvents) == 2388);
static_assert(sizeof(AlertServers) == 2392);

// The values brought into range (ports 1 to 65535, cool-down 0 to one day,
// flags 0 or 1, at least 100 events, texts terminated).
CameraAlerts ClampCameraAlerts(CameraAlerts alerts);
AlertServers ClampAlertServers(const AlertServers& servers);
