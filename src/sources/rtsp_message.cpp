#include "sources/rtsp_message.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>

#include "common/md5.h"
#include "common/text_case.h"
#include "net/base64.h"

namespace {

constexpr std::string_view kScheme = "rtsp://";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// %xx escapes decoded; a '%' without two hex digits stands for itself.
std::string Unescaped(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

bool ParseNumber(std::string_view text, unsigned long long& value) {
  const char* end = text.data() + text.size();
  const auto [at, error] = std::from_chars(text.data(), end, value);
  return !text.empty() && error == std::errc() && at == end;
}

// Calls take(name, value) for each header line of a header block, the
// first line (status or request line) excluded; continuation lines join
// the value before them.
template <typename Take>
void ForEachHeader(std::string_view head, Take take) {
  std::string name;
  std::string value;
  bool pending = false;
  size_t at = head.find('\n');
  while (at != std::string_view::npos && at + 1 < head.size()) {
    const size_t end = head.find('\n', at + 1);
    std::string_view line = head.substr(at + 1, end == std::string_view::npos ? end : end - at - 1);
    at = end;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) break;
    if (line[0] == ' ' || line[0] == '\t') {
      if (pending) value.append(" ").append(TrimRtspBlanks(line));
      continue;
    }
    if (pending) take(name, value);
    const size_t colon = line.find(':');
    pending = colon != std::string_view::npos;
    if (!pending) continue;
    name = TrimRtspBlanks(line.substr(0, colon));
    value = TrimRtspBlanks(line.substr(colon + 1));
  }
  if (pending) take(name, value);
}

// The name=value parameters of a challenge, values quoted or not.
std::vector<std::pair<std::string, std::string>> ChallengeParameters(std::string_view text) {
  std::vector<std::pair<std::string, std::string>> parameters;
  size_t at = 0;
  while (at < text.size()) {
    const size_t equals = text.find('=', at);
    if (equals == std::string_view::npos) break;
    std::string name(TrimRtspBlanks(text.substr(at, equals - at)));
    std::string value;
    at = equals + 1;
    while (at < text.size() && text[at] == ' ') ++at;
    if (at < text.size() && text[at] == '"') {
      for (++at; at < text.size() && text[at] != '"'; ++at) {
        if (text[at] == '\\' && at + 1 < text.size()) ++at;
        value += text[at];
      }
      at = text.find(',', at);
    } else {
      const size_t comma = text.find(',', at);
      value = TrimRtspBlanks(text.substr(at, comma == std::string_view::npos ? comma : comma - at));
      at = comma;
    }
    parameters.emplace_back(std::move(name), std::move(value));
    if (at == std::string_view::npos) break;
    ++at;
  }
  return parameters;
}

// A Digest challenge this client can answer, or kNone.
RtspChallenge DigestChallenge(std::string_view parametersText) {
  RtspChallenge challenge;
  std::string algorithm = "MD5";
  std::string qop;
  for (auto& [name, value] : ChallengeParameters(parametersText)) {
    if (EqualsNoCase(name, "realm")) challenge.realm = value;
    if (EqualsNoCase(name, "nonce")) challenge.nonce = value;
    if (EqualsNoCase(name, "opaque")) challenge.opaque = value;
    if (EqualsNoCase(name, "algorithm")) algorithm = value;
    if (EqualsNoCase(name, "qop")) qop = value;
  }
  challenge.sessionAlgorithm = EqualsNoCase(algorithm, "MD5-sess");
  challenge.qopAuth = RtspListHas(qop, "auth");
  const bool answerable = (challenge.sessionAlgorithm || EqualsNoCase(algorithm, "MD5")) &&
                          (qop.empty() || challenge.qopAuth) && !challenge.nonce.empty();
  if (answerable) challenge.scheme = RtspChallenge::Scheme::kDigest;
  return challenge;
}

void AppendQuoted(std::string& out, std::string_view name, std::string_view value) {
  out.append(", ").append(name).append("=\"");
  for (char c : value) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  out += '"';
}

}  // namespace

std::string_view TrimRtspBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool RtspListHas(std::string_view list, std::string_view item) {
  for (size_t at = 0; at <= list.size();) {
    size_t comma = list.find(',', at);
    if (comma == std::string_view::npos) comma = list.size();
    if (EqualsNoCase(TrimRtspBlanks(list.substr(at, comma - at)), item)) return true;
    at = comma + 1;
  }
  return false;
}

bool ParseRtspUrl(std::string_view url, RtspUrl& out) {
  if (!StartsWithNoCase(url, kScheme)) return false;
  if (std::any_of(url.begin(), url.end(), [](char c) { return static_cast<unsigned char>(c) < 0x21 || c == 0x7F; }))
    return false;
  std::string_view rest = url.substr(kScheme.size());
  const size_t pathStart = std::min(rest.find('/'), rest.size());
  std::string_view authority = rest.substr(0, pathStart);
  const std::string_view path = rest.substr(pathStart);
  RtspUrl parsed;
  if (const size_t at = authority.rfind('@'); at != std::string_view::npos) {
    const std::string_view credentials = authority.substr(0, at);
    const size_t colon = credentials.find(':');
    parsed.user = Unescaped(credentials.substr(0, colon));
    if (colon != std::string_view::npos) parsed.password = Unescaped(credentials.substr(colon + 1));
    authority = authority.substr(at + 1);
  }
  std::string_view host = authority;
  std::string_view port;
  bool hasPort = false;
  if (authority.starts_with('[')) {
    const size_t close = authority.find(']');
    if (close == std::string_view::npos) return false;
    host = authority.substr(1, close - 1);
    const std::string_view after = authority.substr(close + 1);
    if (!after.empty() && after[0] != ':') return false;
    hasPort = !after.empty();
    if (hasPort) port = after.substr(1);
  } else if (const size_t colon = authority.find(':'); colon != std::string_view::npos) {
    host = authority.substr(0, colon);
    port = authority.substr(colon + 1);
    hasPort = true;
  }
  if (host.empty()) return false;
  parsed.host = host;
  if (hasPort) {
    unsigned long long number = 0;
    if (!ParseNumber(port, number) || number == 0 || number > 65535) return false;
    parsed.port = static_cast<uint16_t>(number);
  }
  parsed.requestUrl = std::string(kScheme).append(authority).append(path);
  out = std::move(parsed);
  return true;
}

std::string ResolveRtspControl(std::string_view base, std::string_view control) {
  if (control.empty() || control == "*") return std::string(base);
  if (StartsWithNoCase(control, kScheme)) return std::string(control);
  std::string resolved(base);
  if (control[0] == '/') {
    // From the root of the base URL's host.
    const size_t hostStart = StartsWithNoCase(base, kScheme) ? kScheme.size() : 0;
    resolved.resize(std::min(base.find('/', hostStart), base.size()));
    return resolved.append(control);
  }
  if (resolved.empty() || resolved.back() != '/') resolved += '/';
  return resolved.append(control);
}

std::string FormatRtspRequest(const RtspRequest& request) {
  std::string text = request.method + " " + request.url + " RTSP/1.0\r\nCSeq: " + std::to_string(request.cseq) + "\r\n";
  for (const auto& [name, value] : request.headers) text.append(name).append(": ").append(value).append("\r\n");
  return text.append("\r\n");
}

std::string_view RtspResponse::Header(std::string_view name) const {
  for (const auto& [headerName, value] : headers)
    if (EqualsNoCase(headerName, name)) return value;
  return {};
}

bool ParseRtspResponse(std::string_view message, RtspResponse& out) {
  const size_t lineEnd = message.find('\n');
  std::string_view line = TrimRtspBlanks(message.substr(0, lineEnd));
  if (!line.starts_with("RTSP/1.") || line.size() < 12 || line[8] != ' ') return false;
  unsigned long long status = 0;
  if (!ParseNumber(line.substr(9, 3), status) || (line.size() > 12 && line[12] != ' ')) return false;
  RtspResponse parsed;
  parsed.status = static_cast<int>(status);
  parsed.reason = TrimRtspBlanks(line.substr(12));
  size_t headEnd = message.find("\n\r\n");
  headEnd = headEnd == std::string_view::npos ? message.find("\n\n") : headEnd;
  const std::string_view head = message.substr(0, headEnd);
  ForEachHeader(head,
                [&](const std::string& name, const std::string& value) { parsed.headers.emplace_back(name, value); });
  size_t length = 0;
  if (!RtspContentLength(head, length)) return false;
  if (headEnd != std::string_view::npos) {
    const size_t bodyStart = message.find('\n', headEnd + 1) + 1;
    parsed.body = message.substr(bodyStart, length);
  }
  out = std::move(parsed);
  return true;
}

bool RtspContentLength(std::string_view head, size_t& length) {
  bool readable = true;
  size_t found = 0;
  ForEachHeader(head, [&](const std::string& name, const std::string& value) {
    if (!EqualsNoCase(name, "Content-Length")) return;
    unsigned long long number = 0;
    readable = ParseNumber(value, number) && number <= SIZE_MAX;
    found = readable ? static_cast<size_t>(number) : 0;
  });
  length = found;
  return readable;
}

bool ParseRtspSession(std::string_view value, std::string& id, int& timeoutSeconds) {
  const size_t semicolon = value.find(';');
  const std::string_view idText = TrimRtspBlanks(value.substr(0, semicolon));
  if (idText.empty()) return false;
  id = idText;
  if (semicolon == std::string_view::npos) return true;
  const std::string_view parameter = TrimRtspBlanks(value.substr(semicolon + 1));
  unsigned long long seconds = 0;
  if (StartsWithNoCase(parameter, "timeout=") && ParseNumber(TrimRtspBlanks(parameter.substr(8)), seconds) &&
      seconds > 0 && seconds <= 86400)
    timeoutSeconds = static_cast<int>(seconds);
  return true;
}

RtspChallenge ChooseRtspChallenge(const RtspResponse& response) {
  RtspChallenge basic;
  for (const auto& [name, value] : response.headers) {
    if (!EqualsNoCase(name, "WWW-Authenticate")) continue;
    const std::string_view text = TrimRtspBlanks(value);
    const size_t space = std::min(text.find(' '), text.size());
    const std::string_view scheme = text.substr(0, space);
    if (EqualsNoCase(scheme, "Digest")) {
      RtspChallenge digest = DigestChallenge(text.substr(space));
      if (digest.scheme == RtspChallenge::Scheme::kDigest) return digest;
    } else if (EqualsNoCase(scheme, "Basic")) {
      basic.scheme = RtspChallenge::Scheme::kBasic;
      for (auto& [parameter, parameterValue] : ChallengeParameters(text.substr(space)))
        if (EqualsNoCase(parameter, "realm")) basic.realm = parameterValue;
    }
  }
  return basic;
}

std::string RtspAuthorization(const RtspChallenge& challenge, const RtspCredentials& credentials,
                              std::string_view method, std::string_view uri, uint32_t nonceCount,
                              std::string_view cnonce) {
  if (challenge.scheme == RtspChallenge::Scheme::kBasic)
    return "Basic " + Base64Encode(credentials.user + ":" + credentials.password);
  if (challenge.scheme != RtspChallenge::Scheme::kDigest) return {};
  std::string ha1 = Md5Hex(credentials.user + ":" + challenge.realm + ":" + credentials.password);
  if (challenge.sessionAlgorithm) ha1 = Md5Hex(ha1 + ":" + challenge.nonce + ":" + std::string(cnonce));
  const std::string ha2 = Md5Hex(std::string(method) + ":" + std::string(uri));
  char count[9];
  std::snprintf(count, sizeof count, "%08x", static_cast<unsigned>(nonceCount));
  const std::string response =
      challenge.qopAuth ? Md5Hex(ha1 + ":" + challenge.nonce + ":" + count + ":" + std::string(cnonce) + ":auth:" + ha2)
                        : Md5Hex(ha1 + ":" + challenge.nonce + ":" + ha2);
  std::string fields;
  AppendQuoted(fields, "username", credentials.user);
  AppendQuoted(fields, "realm", challenge.realm);
  AppendQuoted(fields, "nonce", challenge.nonce);
  AppendQuoted(fields, "uri", uri);
  AppendQuoted(fields, "response", response);
  fields.append(", algorithm=").append(challenge.sessionAlgorithm ? "MD5-sess" : "MD5");
  if (!challenge.opaque.empty()) AppendQuoted(fields, "opaque", challenge.opaque);
  if (challenge.qopAuth) {
    fields.append(", qop=auth, nc=").append(count);
    AppendQuoted(fields, "cnonce", cnonce);
  }
  return "Digest " + fields.substr(2);
}
