#include "sources/camera_request.h"

#include "common/fixed_text.h"
#include "common/leading_integer.h"
#include "common/text_case.h"
#include "net/base64.h"

namespace {

constexpr std::string_view kScheme = "http://";
constexpr std::string_view kRtspScheme = "rtsp://";

bool HasControlCharacter(std::string_view text) {
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) return true;
  }
  return false;
}

// "user:password" before the first "@"; the user name is the first run of
// characters other than ':', the password everything after the ':' ending it.
bool EncodeCredentials(std::string_view part, char (&base64)[kCredentialTextCapacity]) {
  size_t userStart = part.find_first_not_of(':');
  if (userStart == std::string_view::npos) return false;
  size_t userEnd = part.find(':', userStart);
  if (userEnd == std::string_view::npos) return false;
  std::string_view user = part.substr(userStart, userEnd - userStart);
  std::string_view password = part.substr(userEnd + 1);
  if (user.empty() || password.empty()) return false;
  if (!Base64EncodeCredentials(user, password, base64)) return false;
  return TextLength(base64) <= kMaxBasicCredentialLength;
}

}  // namespace

bool IsRtspUrl(std::string_view url) {
  return StartsWithNoCase(url, kRtspScheme);
}

bool BuildRequest(std::string_view url, CameraRequest& out) {
  if (HasControlCharacter(url)) return false;
  std::string_view rest = StartsWithNoCase(url, kScheme) ? url.substr(kScheme.size()) : url;

  char base64[kCredentialTextCapacity] = {};
  bool withCredentials = false;
  if (size_t at = rest.find('@'); at != std::string_view::npos) {
    if (at + 1 >= rest.size()) return false;
    if (!EncodeCredentials(rest.substr(0, at), base64)) return false;
    withCredentials = true;
    rest = rest.substr(at + 1);
  }

  size_t hostEnd = rest.find_first_of(":/");
  std::string_view host = rest.substr(0, hostEnd);
  if (host.empty() || host.size() >= kUrlTextCapacity) return false;

  long long port = kDefaultHttpPort;
  std::string_view path;
  if (size_t colon = rest.find(':'); colon != std::string_view::npos) {
    if (colon + 1 >= rest.size()) return false;
    size_t portEnd = rest.find('/', colon + 1);
    std::string_view portText =
        rest.substr(colon + 1, portEnd == std::string_view::npos ? portEnd : portEnd - colon - 1);
    if (portText.size() >= kPortTextCapacity) return false;
    port = ParseLeadingInteger(portText);
    if (port <= 0 || port > 65535) return false;
    if (portEnd != std::string_view::npos) path = rest.substr(portEnd + 1);
  } else if (hostEnd != std::string_view::npos) {
    path = rest.substr(hostEnd + 1);
  }
  if (path.size() >= kUrlTextCapacity) return false;

  std::string authorisation;
  if (withCredentials) authorisation = std::string("Authorization: Basic ") + base64 + "\r\n";
  std::string request = "GET /" + std::string(path) + " HTTP/1.0\r\nHost: " + std::string(host) + ":" +
                        std::to_string(port) + "\r\n" + authorisation + "\r\n";
  if (request.size() >= kRequestCapacity) return false;

  out.request = std::move(request);
  CopyText(out.hostName, host);
  out.port = static_cast<uint16_t>(port);
  return true;
}
