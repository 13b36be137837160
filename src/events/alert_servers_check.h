#pragma once
// What the alert servers' dialog refuses to store, so that a typing slip
// shows at once rather than as a failed delivery hours later.

#include "events/alert_settings.h"

// The field a refusal points at.
enum class AlertField { kNone, kSmtpPort, kMailFrom, kMailTo, kHookUrl, kMqttPort, kMqttPrefix, kMaxEvents };

struct AlertServersProblem {
  AlertField field = AlertField::kNone;
  const char* message = nullptr;  // for the user; null with kNone
};

// Ports from 1 to 65535; addresses with a name before and a domain after
// an '@' (To may list several, separated by commas) and both of them once
// there is a mail server; a hook URL, if any, starting with http:// or
// https://; a topic prefix that is not empty, does not start with '/' and
// holds no MQTT wildcard ('+', '#'); at least 100 events. The texts must
// be terminated (as ClampAlertServers leaves them).
AlertServersProblem CheckAlertServers(const AlertServers& servers);
