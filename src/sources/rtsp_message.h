#pragma once
// RTSP/1.0 as a camera client speaks it: the camera's URL, the requests,
// the responses and the answers to a camera's authentication challenge.
// Texts only; the connection is elsewhere.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

inline constexpr uint16_t kDefaultRtspPort = 554;

// The text without blanks at either end, nor the CR of a line end.
std::string_view TrimRtspBlanks(std::string_view text);
// Whether a comma-separated list (Public, qop) names the item, in any letter case.
bool RtspListHas(std::string_view list, std::string_view item);

// rtsp://[user:password@]host[:port][/path]; the user and password may hold
// %xx escapes.
struct RtspUrl {
  std::string user;
  std::string password;
  std::string host;  // without the brackets of an IPv6 address
  uint16_t port = kDefaultRtspPort;
  std::string requestUrl;  // the URL without the credentials, as requests name it
};
// False for another scheme, an empty host, a bad port or control characters.
bool ParseRtspUrl(std::string_view url, RtspUrl& out);

// A control URL of the session description resolved against the base URL:
// absolute ones stand, "*" or none is the base itself, others are appended.
std::string ResolveRtspControl(std::string_view base, std::string_view control);

struct RtspRequest {
  std::string method;
  std::string url;
  int cseq = 0;
  std::vector<std::pair<std::string, std::string>> headers;  // in order, after CSeq
};
std::string FormatRtspRequest(const RtspRequest& request);

struct RtspResponse {
  int status = 0;
  std::string reason;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  // The first header of the name in any letter case, "" when there is none.
  std::string_view Header(std::string_view name) const;
};
// A whole message as the stream splitter cuts it. False when it is not an
// RTSP response (a request the camera sends, or garbage).
bool ParseRtspResponse(std::string_view message, RtspResponse& out);

// The body length a header block announces: 0 without Content-Length;
// false when the value is not a plain number.
bool RtspContentLength(std::string_view head, size_t& length);

// "id[;timeout=seconds]"; timeout is left as it was when not given.
bool ParseRtspSession(std::string_view value, std::string& id, int& timeoutSeconds);

struct RtspChallenge {
  enum class Scheme { kNone, kBasic, kDigest };
  Scheme scheme = Scheme::kNone;
  std::string realm;
  std::string nonce;
  std::string opaque;
  bool sessionAlgorithm = false;  // MD5-sess
  bool qopAuth = false;
};
// The strongest challenge of a 401 response this client can answer: Digest
// with MD5 or MD5-sess (with qop "auth" or none) before Basic.
RtspChallenge ChooseRtspChallenge(const RtspResponse& response);

struct RtspCredentials {
  std::string user;
  std::string password;
};
// The Authorization header value for one request. nonceCount counts the
// requests answered with this nonce, from 1; cnonce is the client's random text.
std::string RtspAuthorization(const RtspChallenge& challenge, const RtspCredentials& credentials,
                              std::string_view method, std::string_view uri, uint32_t nonceCount,
                              std::string_view cnonce);
