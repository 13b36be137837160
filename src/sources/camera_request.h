#pragma once
// The HTTP/1.0 request an IP camera client sends, built from the camera's
// URL: [http://][user:password@]host[:port][/path].

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Host, path and credential texts are held in 260 bytes, the port text in 20.
inline constexpr size_t kUrlTextCapacity = 260;
inline constexpr size_t kPortTextCapacity = 20;
// The authorisation line "Authorization: Basic %s\r\n" is held in 260 bytes,
// which leaves room for 236 characters of Base64.
inline constexpr size_t kMaxBasicCredentialLength = 236;
inline constexpr size_t kRequestCapacity = 4096;
inline constexpr uint16_t kDefaultHttpPort = 80;

struct CameraRequest {
  std::string request;  // the complete request, header block included
  char hostName[kUrlTextCapacity] = {};
  uint16_t port = 0;
};

// Whether the URL names an RTSP stream ("rtsp://" in any letter case),
// which the RTSP reader reads instead of the HTTP client.
bool IsRtspUrl(std::string_view url);

// Parses the URL and formats the request. False, with out untouched, when
// the URL cannot be read: empty credentials or nothing after the "@",
// credentials too long to send, an empty host, an empty, zero, out-of-range
// or overlong port, or control characters (they would end the request line).
bool BuildRequest(std::string_view url, CameraRequest& out);
