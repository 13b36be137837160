#pragma once
// What the broker is told, as topics and payloads. Under the topic prefix
// (several computers on one broker each choose their own):
//   <prefix>/availability      "online" at each connect, "offline" as the
//                              will and before a clean disconnect (retained)
//   <prefix>/<n>/motion        "ON" at motion start, "OFF" at its end (retained)
//   <prefix>/<n>/snapshot      the JPEG at motion start (retained)
//   <prefix>/<n>/signal        "lost" / "ok" (retained)
//   <prefix>/<n>/event         the last other event, a small JSON document
//                              (retained)
// and Home Assistant's discovery documents under homeassistant/ (per camera
// a motion sensor, a camera showing the snapshot, a connectivity sensor and
// a sensor of the last other event), whose ids are made from the prefix so
// they stay apart between computers.

#include <string>
#include <vector>

#include "events/alert.h"
#include "events/mqtt_packet.h"

struct MqttCamera {
  int number = 0;
  std::string name;  // "" for a camera without one
};

// The prefix as a topic level can carry it: no wildcards, no empty levels;
// "vorrandale" when nothing is left.
std::string MqttTopicPrefix(std::string_view prefix);
// The prefix as an identifier: letters, digits and '_' only.
std::string MqttNodeId(std::string_view prefix);

std::string MqttAvailabilityTopic(const std::string& prefix);
// The will, and the message before a clean disconnect.
MqttPublish MqttOfflineMessage(const std::string& prefix);
// What each connection begins with: "online" and the discovery documents.
std::vector<MqttPublish> MqttConnectMessages(const std::string& prefix, const std::vector<MqttCamera>& cameras);
// The messages an alert becomes, in the order they are sent.
std::vector<MqttPublish> MqttAlertMessages(const std::string& prefix, const Alert& alert);
