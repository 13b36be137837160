#include "web/https_redirect.h"

#include <algorithm>

#include "web/web_request.h"

namespace {

bool IsNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// The Host header's host without its port; empty when it is missing or
// holds anything but a name, an IPv4 address or a bracketed IPv6 address.
std::string_view SafeHost(std::string_view request) {
  std::string_view host;
  if (!FindHeaderValue(request, "Host", host) || host.empty()) return {};
  if (host.front() == '[') {
    const size_t close = host.find(']');
    if (close == std::string_view::npos || close == 1) return {};
    const std::string_view inside = host.substr(1, close - 1);
    const bool safe = std::all_of(inside.begin(), inside.end(), [](char c) {
      return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' || c == '.';
    });
    const std::string_view rest = host.substr(close + 1);
    if (!safe || (!rest.empty() && rest.front() != ':')) return {};
    host = host.substr(0, close + 1);
  } else {
    host = host.substr(0, host.find(':'));
    if (host.empty() || !std::all_of(host.begin(), host.end(), IsNameCharacter)) return {};
  }
  return host;
}

// The request line's target when it is an absolute path of printable
// characters (no blank, no control), else "/".
std::string_view SafePath(std::string_view request) {
  const std::string_view line = request.substr(0, request.find("\r\n"));
  const size_t start = line.find(' ');
  if (start == std::string_view::npos) return "/";
  std::string_view target = line.substr(start + 1);
  target = target.substr(0, target.find(' '));
  const bool printable = std::all_of(target.begin(), target.end(), [](char c) { return c > ' ' && c < 0x7f; });
  if (target.empty() || target.front() != '/' || !printable) return "/";
  return target;
}

}  // namespace

bool IsLocalNetworkAddress(uint32_t address) {
  const uint32_t first = address >> 24;
  const uint32_t second = (address >> 16) & 0xff;
  return first == 127 || first == 10 || (first == 172 && second >= 16 && second < 32) ||
         (first == 192 && second == 168) || (first == 169 && second == 254);
}

std::string HttpsRedirectLocation(std::string_view request, std::string_view connectedHost, uint16_t httpsPort) {
  std::string_view host = SafeHost(request);
  if (host.empty()) host = connectedHost;
  std::string location = "https://";
  location.append(host).append(1, ':').append(std::to_string(httpsPort)).append(SafePath(request));
  return location;
}

std::string HttpsRedirectResponse(std::string_view location) {
  std::string response = "HTTP/1.0 301 Moved Permanently\r\nLocation: ";
  response.append(location).append("\r\nContent-Length: 0\r\n\r\n");
  return response;
}
