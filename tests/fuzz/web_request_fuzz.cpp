// Arbitrary request text through the request processing: it must never
// crash, never ask for a file outside the web folder, and every response
// must carry a Content-Length equal to its body.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/fixed_text.h"
#include "net/base64.h"
#include "web/web_request.h"

namespace {

class CheckingFiles : public WebFileSource {
 public:
  bool ReadFile(std::string_view path, std::string& content) override {
    if (path.empty() || path.front() == '/' || path.find('\\') != std::string_view::npos ||
        path.find(':') != std::string_view::npos || path == ".." || path.substr(0, 3) == "../" ||
        path.find("/../") != std::string_view::npos || (path.size() >= 3 && path.substr(path.size() - 3) == "/..")) {
      std::abort();
    }
    if (path.size() % 3 == 0) return false;
    content.assign(path.size() * 50, 'p');
    return true;
  }
};

void CheckLength(const std::vector<unsigned char>& bytes) {
  std::string text(bytes.begin(), bytes.end());
  size_t end = text.find("\r\n\r\n");
  if (end == std::string::npos) std::abort();
  size_t field = text.find("Content-Length: ");
  if (field == std::string::npos || field > end) std::abort();
  long declared = std::strtol(text.c_str() + field + 16, nullptr, 10);
  if (declared < 0 || static_cast<size_t>(declared) != text.size() - end - 4) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  WebSettings settings = DefaultWebSettings();
  settings.requireLogin = data[0] & 1;
  CopyText(settings.userName, "user");
  CopyText(settings.password, "pass");
  CheckingFiles files;
  WebRequestContext context;
  context.settings = &settings;
  context.cameraCount = (data[0] >> 1) & 7;
  context.files = &files;
  context.grabJpeg = [](int n, std::vector<unsigned char>& jpeg) {
    if (n == 2) return false;
    jpeg.assign(static_cast<size_t>(n) * 100, static_cast<unsigned char>(n));
    return true;
  };

  // Half the inputs are wrapped into a well-formed request line with valid
  // credentials, so the path checks and routes are reached quickly.
  std::string input(reinterpret_cast<const char*>(data + 1), size - 1);
  if (data[0] & 0x80) {
    input = "GET /" + input + " HTTP/1.0\r\nAuthorization: Basic " + Base64Encode("user:pass") + "\r\n\r\n";
  }
  // Feed it in pieces as a connection would, stopping at the first answer.
  std::string request;
  const char* text = input.data();
  size_t remaining = input.size();
  size_t piece = 1 + ((data[0] >> 4) & 7) * 97;
  while (true) {
    WebResponse response = ProcessWebRequest(request, context);
    if (response.outcome == WebRequestOutcome::Respond) {
      CheckLength(response.bytes);
      break;
    }
    if (response.outcome == WebRequestOutcome::Close) {
      if (request.size() < kMaxRequestBytes) std::abort();
      break;
    }
    if (remaining == 0) break;
    size_t take = remaining < piece ? remaining : piece;
    AppendRequestText(request, text, take);
    text += take;
    remaining -= take;
    if (request.size() > kMaxRequestBytes) std::abort();
  }
  (void)Base64Decode(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
