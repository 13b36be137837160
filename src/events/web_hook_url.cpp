#include "events/web_hook_url.h"

#include "common/text_case.h"

std::string WebHookUrl::HostHeader() const {
  const std::string name = host.find(':') != std::string::npos ? "[" + host + "]" : host;
  return port == (tls ? 443 : 80) ? name : name + ":" + std::to_string(port);
}

bool ParseWebHookUrl(std::string_view url, WebHookUrl& out, std::string& error) {
  for (char c : url) {
    if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F) {
      error = "the web hook address holds a blank or a control character";
      return false;
    }
  }
  WebHookUrl parsed;
  if (StartsWithNoCase(url, "https://")) {
    parsed.tls = true;
    parsed.port = 443;
    url.remove_prefix(8);
  } else if (StartsWithNoCase(url, "http://")) {
    url.remove_prefix(7);
  } else {
    error = "the web hook address must start with http:// or https://";
    return false;
  }
  size_t end = url.find_first_of("/?#");
  if (end == std::string_view::npos) end = url.size();
  std::string_view authority = url.substr(0, end);
  std::string_view rest = url.substr(end);
  if (authority.find('@') != std::string_view::npos) {
    error = "the web hook address may not hold a user name or password";
    return false;
  }
  std::string_view portText;
  if (!authority.empty() && authority.front() == '[') {
    const size_t close = authority.find(']');
    if (close == std::string_view::npos) {
      error = "the web hook address lacks the ] of its IPv6 address";
      return false;
    }
    parsed.host = std::string(authority.substr(1, close - 1));
    authority.remove_prefix(close + 1);
    if (!authority.empty() && authority.front() != ':') {
      error = "the web hook address has text after its IPv6 address";
      return false;
    }
    if (!authority.empty()) portText = authority.substr(1);
  } else {
    const size_t colon = authority.find(':');
    parsed.host = std::string(authority.substr(0, colon));
    if (colon != std::string_view::npos) portText = authority.substr(colon + 1);
  }
  if (parsed.host.empty()) {
    error = "the web hook address names no host";
    return false;
  }
  if (!portText.empty() || authority.find(':') != std::string_view::npos) {
    unsigned port = 0;
    for (char c : portText) port = c >= '0' && c <= '9' && port <= 65535 ? port * 10 + unsigned(c - '0') : 70000;
    if (portText.empty() || port == 0 || port > 65535) {
      error = "the web hook address has a bad port";
      return false;
    }
    parsed.port = static_cast<uint16_t>(port);
  }
  const size_t fragment = rest.find('#');
  if (fragment != std::string_view::npos) rest = rest.substr(0, fragment);
  parsed.path = rest.empty() || rest.front() != '/' ? "/" + std::string(rest) : std::string(rest);
  out = std::move(parsed);
  return true;
}
