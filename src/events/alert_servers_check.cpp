#include "events/alert_servers_check.h"

#include <string_view>

namespace {

bool IsPort(int32_t port) {
  return port >= 1 && port <= 65535;
}

bool IsAddress(std::string_view text) {
  const size_t at = text.find('@');
  return at != std::string_view::npos && at > 0 && at + 1 < text.size();
}

// Every comma-separated entry, blanks trimmed, is an address; at least one.
bool IsAddressList(std::string_view text) {
  bool any = false;
  while (!text.empty()) {
    const size_t comma = text.find(',');
    std::string_view entry = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    const size_t first = entry.find_first_not_of(' ');
    if (first == std::string_view::npos) continue;
    if (!IsAddress(entry.substr(first, entry.find_last_not_of(' ') + 1 - first))) return false;
    any = true;
  }
  return any;
}

}  // namespace

AlertServersProblem CheckAlertServers(const AlertServers& servers) {
  const bool mail = servers.smtpHost[0] != '\0';
  const std::string_view from = servers.mailFrom, to = servers.mailTo, hook = servers.hookUrl,
                         prefix = servers.mqttPrefix;
  if (!IsPort(servers.smtpPort))
    return {AlertField::kSmtpPort, "The mail server's port must be a number from 1 to 65535."};
  if ((mail || !from.empty()) && !IsAddress(from))
    return {AlertField::kMailFrom, "The sender (From) must be an e-mail address such as camera@example.org."};
  if ((mail || !to.empty()) && !IsAddressList(to))
    return {AlertField::kMailTo,
            "The recipients (To) must be e-mail addresses such as me@example.org, separated by commas."};
  if (!hook.empty() && !hook.starts_with("http://") && !hook.starts_with("https://"))
    return {AlertField::kHookUrl, "The web hook's URL must start with http:// or https://."};
  if (!IsPort(servers.mqttPort))
    return {AlertField::kMqttPort, "The MQTT broker's port must be a number from 1 to 65535."};
  if (prefix.empty() || prefix.front() == '/' || prefix.find_first_of("+#") != std::string_view::npos)
    return {AlertField::kMqttPrefix, "The topic prefix must not be empty, start with / or hold + or #."};
  if (servers.maxEvents < 100) return {AlertField::kMaxEvents, "The event list must keep at least 100 events."};
  return {};
}
