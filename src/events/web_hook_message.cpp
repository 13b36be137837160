#include "events/web_hook_message.h"

#include <cstdio>

#include "common/version.h"

std::string JsonText(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
          out += escaped;
        } else {
          out.push_back(c);
        }
    }
  }
  return out + "\"";
}

std::string WebHookJson(const Alert& alert) {
  std::string json = "{\"camera\":" + std::to_string(alert.camera) + ",\"name\":" + JsonText(alert.cameraName) +
                     ",\"kind\":" + JsonText(EventKindName(alert.kind));
  if (alert.kind == EventKind::kMotion) json += std::string(",\"event\":\"") + (alert.ended ? "end" : "start") + "\"";
  json += ",\"time\":" + JsonText(AlertIsoTime(alert)) + ",\"level\":" + std::to_string(alert.level) +
          ",\"picture\":" + (alert.pictureUrl.empty() ? std::string("null") : JsonText(alert.pictureUrl));
  if (!alert.detail.empty()) json += ",\"detail\":" + JsonText(alert.detail);
  return json + "}";
}

std::string WebHookRequest(const WebHookUrl& url, const std::string& json) {
  return "POST " + url.path + " HTTP/1.1\r\nHost: " + url.HostHeader() +
         "\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(json.size()) +
         "\r\nConnection: close\r\nUser-Agent: Vorrandale/" VR_VERSION_TEXT "\r\n\r\n" + json;
}
