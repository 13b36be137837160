// Arbitrary camera URLs as the dialog gives them (at most 258 characters):
// a request that is built must be one well-formed header block naming the
// port it connects to, and nothing in the URL may add lines to it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "sources/camera_request.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 258) size = 258;
  std::string_view url(reinterpret_cast<const char*>(data), size);
  CameraRequest out;
  if (!BuildRequest(url, out)) {
    if (!out.request.empty() || out.port != 0) std::abort();
    return 0;
  }
  const std::string& r = out.request;
  if (r.size() >= kRequestCapacity || r.compare(0, 5, "GET /") != 0) std::abort();
  if (r.size() < 4 || r.compare(r.size() - 4, 4, "\r\n\r\n") != 0) std::abort();
  if (out.port == 0 || out.hostName[0] == '\0') std::abort();
  std::string host = std::string("\r\nHost: ") + out.hostName + ":" + std::to_string(out.port) + "\r\n";
  size_t hostAt = r.find(host);
  if (hostAt == std::string::npos || r.find("\r\n") != hostAt) std::abort();
  // Lines: request line, Host, optionally Authorization, then the empty line.
  size_t lines = 0;
  for (size_t p = r.find("\r\n"); p != std::string::npos; p = r.find("\r\n", p + 2)) ++lines;
  bool auth = r.find("\r\nAuthorization: Basic ") != std::string::npos;
  if (lines != (auth ? 4u : 3u)) std::abort();
  for (char c : r)
    if ((c == '\r' || c == '\n') == false && static_cast<unsigned char>(c) < 0x20) std::abort();
  return 0;
}
