#include "events/mqtt_topics.h"

#include "common/json_string.h"

namespace {

constexpr char kDefaultPrefix[] = "vorrandale";

MqttPublish Retained(std::string topic, std::string payload, int qos) {
  MqttPublish message;
  message.topic = std::move(topic);
  message.payload = std::move(payload);
  message.qos = qos;
  message.retain = true;
  return message;
}

std::string CameraTopic(const std::string& prefix, int camera, const char* what) {
  return prefix + "/" + std::to_string(camera) + "/" + what;
}

// One entity's discovery document; `fields` are its own, the rest is what
// every entity of the camera shares.
MqttPublish Discovery(const std::string& prefix, const MqttCamera& camera, const char* component, const char* entity,
                      const std::string& fields) {
  const std::string node = MqttNodeId(prefix);
  const std::string object = "camera" + std::to_string(camera.number) + "_" + entity;
  Alert named;
  named.camera = camera.number;
  named.cameraName = camera.name;
  const std::string document =
      "{" + fields + ",\"unique_id\":" + JsonString(node + "_" + object) +
      ",\"availability_topic\":" + JsonString(MqttAvailabilityTopic(prefix)) +
      ",\"payload_available\":\"online\",\"payload_not_available\":\"offline\"" + ",\"device\":{\"identifiers\":[" +
      JsonString(node + "_camera" + std::to_string(camera.number)) + "],\"name\":" + JsonString(CameraTitle(named)) +
      ",\"manufacturer\":\"Vorrandale\",\"model\":" + JsonString("Vorrandale (" + prefix + ")") + "}}";
  return Retained("homeassistant/" + std::string(component) + "/" + node + "/" + object + "/config", document, 0);
}

}  // namespace

std::string MqttTopicPrefix(std::string_view prefix) {
  std::string out;
  for (char c : prefix) {
    if (c == '/' && (out.empty() || out.back() == '/')) continue;
    // Wildcards cannot stand in a published topic; '$' first is the broker's own.
    out += (c == '+' || c == '#' || c == '\0' || (c == '$' && out.empty())) ? '_' : c;
  }
  while (!out.empty() && out.back() == '/') out.pop_back();
  return out.empty() ? kDefaultPrefix : out;
}

std::string MqttNodeId(std::string_view prefix) {
  std::string out;
  for (char c : MqttTopicPrefix(prefix)) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    out += plain ? c : '_';
  }
  return out;
}

std::string MqttAvailabilityTopic(const std::string& prefix) {
  return prefix + "/availability";
}

MqttPublish MqttOfflineMessage(const std::string& prefix) {
  return Retained(MqttAvailabilityTopic(prefix), "offline", 0);
}

std::vector<MqttPublish> MqttConnectMessages(const std::string& prefix, const std::vector<MqttCamera>& cameras) {
  std::vector<MqttPublish> messages{Retained(MqttAvailabilityTopic(prefix), "online", 0)};
  for (const MqttCamera& camera : cameras) {
    const auto topic = [&](const char* what) { return JsonString(CameraTopic(prefix, camera.number, what)); };
    messages.push_back(Discovery(prefix, camera, "binary_sensor", "motion",
                                 "\"name\":\"Motion\",\"device_class\":\"motion\",\"state_topic\":" + topic("motion") +
                                     ",\"payload_on\":\"ON\",\"payload_off\":\"OFF\""));
    messages.push_back(
        Discovery(prefix, camera, "camera", "snapshot", "\"name\":\"Snapshot\",\"topic\":" + topic("snapshot")));
    messages.push_back(Discovery(prefix, camera, "binary_sensor", "signal",
                                 "\"name\":\"Signal\",\"device_class\":\"connectivity\",\"state_topic\":" +
                                     topic("signal") + ",\"payload_on\":\"ok\",\"payload_off\":\"lost\""));
    messages.push_back(
        Discovery(prefix, camera, "sensor", "event",
                  "\"name\":\"Event\",\"state_topic\":" + topic("event") +
                      ",\"value_template\":\"{{ value_json.kind }}\",\"json_attributes_topic\":" + topic("event")));
  }
  return messages;
}

std::vector<MqttPublish> MqttAlertMessages(const std::string& prefix, const Alert& alert) {
  const auto topic = [&](const char* what) { return CameraTopic(prefix, alert.camera, what); };
  switch (alert.kind) {
    case EventKind::kMotion: {
      if (alert.ended) return {Retained(topic("motion"), "OFF", 1)};
      std::vector<MqttPublish> messages{Retained(topic("motion"), "ON", 1)};
      const std::vector<uint8_t>& picture = alert.snapshot.empty() ? alert.thumbnail : alert.snapshot;
      if (!picture.empty())
        messages.push_back(Retained(topic("snapshot"), std::string(picture.begin(), picture.end()), 1));
      return messages;
    }
    case EventKind::kSignalLost:
      return {Retained(topic("signal"), "lost", 1)};
    case EventKind::kSignalBack:
      return {Retained(topic("signal"), "ok", 1)};
    default:
      return {Retained(topic("event"),
                       "{\"kind\":" + JsonString(EventKindName(alert.kind)) +
                           ",\"camera\":" + std::to_string(alert.camera) + ",\"name\":" + JsonString(alert.cameraName) +
                           ",\"time\":" + JsonString(AlertIsoTime(alert)) + ",\"detail\":" + JsonString(alert.detail) +
                           "}",
                       1)};
  }
}
