#include "web/web_request.h"

#include <cstring>
#include <new>
#include <utility>

#include "common/fixed_text.h"
#include "common/folder_name.h"
#include "common/leading_integer.h"
#include "common/text_case.h"
#include "net/base64.h"
#include "web/https_redirect.h"

namespace {

constexpr std::string_view kHeaderEnd = "\r\n\r\n";
constexpr std::string_view kTextHeaderStart =
    "HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=UTF-8\r\nContent-Length: ";
constexpr std::string_view kNotFound =
    "HTTP/1.0 404 Not Found\r\n"
    "Content-Type: text/html; charset=UTF-8\r\n"
    "Content-Length: 64\r\n"
    "\r\n"
    "<HTML><BODY>Vorrandale Webserver<br>PAGE NOT FOUND</BODY></HTML>";
constexpr std::string_view kAuthorizationRequired =
    "HTTP/1.0 401 Authorization Required\r\n"
    "WWW-Authenticate: BASIC realm=\"Vorrandale Secure Area\"\r\n"
    "Content-Type: text/html; charset=UTF-8\r\n"
    "Content-Length: 90\r\n"
    "\r\n"
    "<HTML><BODY>Vorrandale Webserver<br>Authorization Required<br>You Must Login</BODY></HTML>";

std::vector<unsigned char> Bytes(std::string_view text) {
  return std::vector<unsigned char>(text.begin(), text.end());
}

WebResponse Respond(std::vector<unsigned char> bytes) {
  return WebResponse{WebRequestOutcome::Respond, std::move(bytes)};
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The path between the first "GET /" and the first " HTTP" after it; false
// when either marker is missing.
bool FindRequestPath(std::string_view request, std::string_view& path) {
  size_t get = request.find("GET /");
  if (get == std::string_view::npos) return false;
  size_t start = get + 5;
  size_t end = request.find(" HTTP", start);
  if (end == std::string_view::npos) return false;
  path = request.substr(start, end - start);
  return true;
}

enum class Login { Passed, Missing, Failed };

std::string_view TrimBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

Login CheckCredentials(std::string_view request, const WebSettings& settings) {
  constexpr std::string_view kBasic = "Basic ";
  std::string_view value;
  if (!FindHeaderValue(request, "Authorization", value) || !StartsWithNoCase(value, kBasic)) return Login::Missing;
  const std::string_view credentials = TrimBlanks(value.substr(kBasic.size()));
  if (credentials.empty()) return Login::Missing;
  std::string expected;
  expected.append(TextView(settings.userName)).append(1, ':').append(TextView(settings.password));
  return Base64Decode(credentials) == expected ? Login::Passed : Login::Failed;
}

WebResponse CameraPicture(int cameraNumber, const WebRequestContext& context) {
  std::vector<unsigned char> buffer;
  if (!context.grabJpeg || !context.grabJpeg(cameraNumber, buffer)) {
    return Respond(MessagePageResponse("ERROR: No Image to Grab"));
  }
  std::string header =
      "HTTP/1.0 200 OK\r\nCache-Control: no-cache\r\nContent-Type: image/jpeg\r\n"
      "Content-Length: " +
      std::to_string(buffer.size()) + "\r\n\r\n";
  size_t jpegLength = buffer.size();
  try {
    buffer.resize(jpegLength + header.size());
  } catch (const std::bad_alloc&) {
    return Respond(MessagePageResponse("ERROR: Jpeg Memory Allocation Failed"));
  }
  // Move the picture up behind the header instead of copying it into a
  // second buffer.
  std::memmove(buffer.data() + header.size(), buffer.data(), jpegLength);
  std::memcpy(buffer.data(), header.data(), header.size());
  return Respond(std::move(buffer));
}

WebResponse WebFile(std::string_view path, const WebRequestContext& context) {
  if (!context.files || !IsSafeWebPath(path)) return Respond(NotFoundResponse());
  std::string content;
  if (!context.files->ReadFile(path, content)) return Respond(NotFoundResponse());
  return Respond(FileResponse(path, content));
}

std::string LowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
  return lower;
}

WebResponse Stream(int camera) {
  WebResponse response{WebRequestOutcome::Stream, {}};
  response.streamCamera = camera;
  return response;
}

bool IsReservedDeviceName(std::string_view component) {
  // Windows maps these names to devices in any folder and with any extension.
  std::string_view base = component.substr(0, component.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  std::string upper;
  for (char c : base) upper.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c);
  static constexpr std::string_view kNames[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
  for (std::string_view name : kNames) {
    if (upper == name) return true;
  }
  if (upper.size() == 4 && (StartsWith(upper, "COM") || StartsWith(upper, "LPT"))) {
    unsigned char digit = static_cast<unsigned char>(upper[3]);
    // COM0 to COM9 and the superscript digits ¹ ² ³ of the ANSI code page.
    if ((digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3) return true;
  }
  return false;
}

bool IsSafeComponent(std::string_view component) {
  if (component.empty()) return false;  // "//" or a trailing slash
  return !IsDotsAndBlanks(component) && !IsReservedDeviceName(component);
}

}  // namespace

bool FindHeaderValue(std::string_view request, std::string_view name, std::string_view& value) {
  const size_t blockEnd = request.find(kHeaderEnd);
  // Each field starts behind the line end of the line before it.
  for (size_t lineEnd = request.find("\r\n"); lineEnd < blockEnd;) {
    const size_t start = lineEnd + 2;
    lineEnd = request.find("\r\n", start);
    const std::string_view field = request.substr(start, lineEnd - start);
    const size_t colon = field.find(':');
    if (colon != std::string_view::npos && EqualsNoCase(field.substr(0, colon), name)) {
      value = TrimBlanks(field.substr(colon + 1));
      return true;
    }
  }
  return false;
}

void AppendRequestText(std::string& request, const char* chunk, size_t length) {
  const void* nul = std::memchr(chunk, '\0', length);
  if (nul) length = static_cast<size_t>(static_cast<const char*>(nul) - chunk);
  if (request.size() >= kMaxRequestBytes) return;
  size_t room = kMaxRequestBytes - request.size();
  request.append(chunk, length < room ? length : room);
}

bool IsSafeWebPath(std::string_view path) {
  if (path.empty() || path.front() == '/') return false;
  for (char c : path) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) return false;
    if (std::strchr("\\:*?\"<>|", c) != nullptr) return false;
  }
  size_t start = 0;
  while (true) {
    size_t slash = path.find('/', start);
    std::string_view component = path.substr(start, slash == std::string_view::npos ? slash : slash - start);
    if (!IsSafeComponent(component)) return false;
    if (slash == std::string_view::npos) return true;
    start = slash + 1;
  }
}

std::vector<unsigned char> NotFoundResponse() {
  return Bytes(kNotFound);
}

std::vector<unsigned char> AuthorizationRequiredResponse() {
  return Bytes(kAuthorizationRequired);
}

std::vector<unsigned char> TextPageResponse(std::string_view body) {
  // Built at its exact size, so a page of any length goes out whole.
  std::string response;
  std::string length = std::to_string(body.size());
  response.reserve(kTextHeaderStart.size() + length.size() + 4 + body.size());
  response.append(kTextHeaderStart).append(length).append(kHeaderEnd).append(body);
  return Bytes(response);
}

std::vector<unsigned char> MessagePageResponse(std::string_view message) {
  std::string body = "<HTML><BODY>Vorrandale Webserver<br>";
  body.append(message).append("</BODY></HTML>");
  return TextPageResponse(body);
}

std::vector<unsigned char> JsonResponse(std::string_view body) {
  return Bytes("HTTP/1.0 200 OK\r\nContent-Type: application/json\r\nCache-Control: no-cache\r\nContent-Length: " +
               std::to_string(body.size()) + std::string(kHeaderEnd) + std::string(body));
}

std::vector<unsigned char> TooManyStreamsResponse() {
  const std::string body = "<HTML><BODY>Vorrandale Webserver<br>ERROR: Too Many Live Streams</BODY></HTML>";
  return Bytes("HTTP/1.0 503 Service Unavailable\r\nContent-Type: text/html; charset=UTF-8\r\nContent-Length: " +
               std::to_string(body.size()) + "\r\nRetry-After: 10\r\n\r\n" + body);
}

std::vector<unsigned char> FileResponse(std::string_view path, std::string_view content) {
  std::string response = "HTTP/1.0 200 OK\r\nContent-Type: ";
  response.append(ContentTypeForPath(path)).append("\r\nContent-Length: ").append(std::to_string(content.size()));
  response.append(kHeaderEnd);
  std::vector<unsigned char> bytes;
  bytes.reserve(response.size() + content.size());
  bytes.insert(bytes.end(), response.begin(), response.end());
  bytes.insert(bytes.end(), content.begin(), content.end());
  return bytes;
}

std::string_view ContentTypeForPath(std::string_view path) {
  size_t slash = path.rfind('/');
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return "application/octet-stream";
  const std::string extension = LowerCase(name.substr(dot + 1));
  static constexpr std::pair<std::string_view, std::string_view> kTypes[] = {
      {"html", "text/html; charset=UTF-8"},
      {"htm", "text/html; charset=UTF-8"},
      {"css", "text/css; charset=UTF-8"},
      {"js", "text/javascript; charset=UTF-8"},
      {"json", "application/json"},
      {"txt", "text/plain; charset=UTF-8"},
      {"svg", "image/svg+xml"},
      {"png", "image/png"},
      {"jpg", "image/jpeg"},
      {"jpeg", "image/jpeg"},
      {"gif", "image/gif"},
      {"ico", "image/x-icon"},
      {"mjpg", "video/x-motion-jpeg"},
  };
  for (const auto& [known, type] : kTypes) {
    if (extension == known) return type;
  }
  return "application/octet-stream";
}

WebResponse ProcessWebRequest(std::string_view request, const WebRequestContext& context) {
  if (request.find(kHeaderEnd) == std::string_view::npos) {
    if (request.size() >= kMaxRequestBytes) return WebResponse{WebRequestOutcome::Close, {}};
    return WebResponse{};
  }
  if (context.httpsRedirectPort != 0) {
    return Respond(
        Bytes(HttpsRedirectResponse(HttpsRedirectLocation(request, context.connectedHost, context.httpsRedirectPort))));
  }
  std::string_view path;
  if (!FindRequestPath(request, path)) return Respond(NotFoundResponse());
  std::string index;
  if (path.empty()) {
    // The root is the folder's index page; without one it is refused before
    // any login check.
    if (!context.files || !context.files->ReadFile("index.html", index)) return Respond(NotFoundResponse());
  }

  if (context.settings && context.settings->requireLogin != 0) {
    if (context.loginBlocked) return Respond(AuthorizationRequiredResponse());
    Login login = CheckCredentials(request, *context.settings);
    if (login != Login::Passed) {
      WebResponse refused = Respond(AuthorizationRequiredResponse());
      refused.loginFailed = login == Login::Failed;
      return refused;
    }
  }

  if (path.empty()) return Respond(FileResponse("index.html", index));
  if (StartsWith(path, "$STREAM")) {
    long long number = ParseLeadingInteger(path.substr(7));
    if (number < 1 || number > context.cameraCount) return Respond(NotFoundResponse());
    return Stream(static_cast<int>(number));
  }
  if (StartsWith(path, "$GRID")) return Stream(kGridStream);
  if (StartsWith(path, "$CAMERAS")) {
    if (!context.camerasJson) return Respond(NotFoundResponse());
    return Respond(JsonResponse(context.camerasJson()));
  }
  if (StartsWith(path, "$EVENT")) {
    const long long id = ParseLeadingInteger(path.substr(6));
    std::string jpeg;
    if (id < 1 || !context.eventPicture || !context.eventPicture(id, jpeg)) return Respond(NotFoundResponse());
    return Respond(FileResponse("event.jpg", jpeg));
  }
  if (StartsWith(path, "$CAM")) {
    long long number = ParseLeadingInteger(path.substr(4));
    if (number < 1 || number > context.cameraCount) return Respond(NotFoundResponse());
    return CameraPicture(static_cast<int>(number), context);
  }
  if (StartsWith(path, "$COUNT")) {
    return Respond(TextPageResponse("<HTML><BODY>" + std::to_string(context.cameraCount) + "</BODY></HTML>"));
  }
  return WebFile(path, context);
}
