#pragma once
// The web server's request processing, free of sockets and windows. A
// connection object appends what it receives with AppendRequestText and runs
// ProcessWebRequest on the whole text after every read:
//   - Incomplete: no blank line yet; keep reading (the idle timer still runs).
//   - Respond:    send `bytes` in one piece, then close after it is out.
//   - Close:      the client sent kMaxRequestBytes without ending its header
//                 block; close the connection without an answer.
// Every call examines the request from its start, so it is safe to call again
// while an earlier response is still being sent (the socket layer ignores a
// second Send while one is pending).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "web/web_settings.h"

// Most request text kept per connection. A header block that has not ended
// by then is refused rather than buffered without bound.
inline constexpr size_t kMaxRequestBytes = 64 * 1024;

// One recv() call reads at most this much into a zeroed 4096-byte buffer.
inline constexpr size_t kReceiveChunkBytes = 4095;

// Files of the web folder, named by the request path relative to that folder
// (forward slashes as the client wrote them; already checked to stay inside).
class WebFileSource {
 public:
  virtual ~WebFileSource() = default;
  // True with the whole file content; false when it is missing or cannot be
  // opened or read.
  virtual bool ReadFile(std::string_view relativePath, std::string& content) = 0;
};

// Produces camera n's current picture (n counted from 1, already in range)
// as one JPEG into `jpeg`; false when the camera has no picture yet. The
// buffer becomes the response: it is grown in place for the header block.
using GrabJpegFunction = std::function<bool(int cameraNumber, std::vector<unsigned char>& jpeg)>;

struct WebRequestContext {
  const WebSettings* settings = nullptr;  // read live on every request
  int cameraCount = 0;
  WebFileSource* files = nullptr;
  GrabJpegFunction grabJpeg;
  // The $CAMERAS answer's body (cameras_json.h); null answers 404.
  std::function<std::string()> camerasJson;
  // The picture of event `id` as JPEG; false, or null, answers 404.
  std::function<bool(int64_t id, std::string& jpeg)> eventPicture;
  // The peer failed the login too often lately: refused without a check.
  bool loginBlocked = false;
  // Not 0: every whole request is sent to HTTPS on this port, at its Host
  // or else at `connectedHost`, the address the peer connected to.
  uint16_t httpsRedirectPort = 0;
  std::string connectedHost;
};

//   - Stream:     a live stream was asked for and allowed: camera
//                 `streamCamera` (1 to cameraCount), or the whole grid (0).
enum class WebRequestOutcome { Incomplete, Respond, Close, Stream };

struct WebResponse {
  WebRequestOutcome outcome = WebRequestOutcome::Incomplete;
  std::vector<unsigned char> bytes;  // the whole response for Respond
  int streamCamera = 0;
  // Credentials were sent and did not match (a missing header is no guess).
  bool loginFailed = false;
};

// Number that stands for the whole grid in WebResponse::streamCamera.
inline constexpr int kGridStream = 0;

// Appends one received chunk up to its first NUL byte, never letting the
// request grow beyond kMaxRequestBytes.
void AppendRequestText(std::string& request, const char* chunk, size_t length);

// The value of the first header field called `name` (in any case, as HTTP
// names are), without the blanks around it; false when there is none.
bool FindHeaderValue(std::string_view request, std::string_view name, std::string_view& value);

WebResponse ProcessWebRequest(std::string_view request, const WebRequestContext& context);

// False for a request path that must not be looked up as a file: empty,
// absolute, with a drive or stream colon, a backslash, a parent or current
// step (also in the trailing-dot and trailing-blank forms Windows folds),
// control characters, wildcard characters or a reserved device name.
bool IsSafeWebPath(std::string_view path);

// The fixed responses, byte for byte.
std::vector<unsigned char> NotFoundResponse();
std::vector<unsigned char> AuthorizationRequiredResponse();
std::vector<unsigned char> TextPageResponse(std::string_view body);
std::vector<unsigned char> MessagePageResponse(std::string_view message);
// A JSON body that no cache keeps.
std::vector<unsigned char> JsonResponse(std::string_view body);
// Status 503 with a message page: the live streams are at their limit.
std::vector<unsigned char> TooManyStreamsResponse();
// A file of the web folder, bytes as they are, typed by its extension.
std::vector<unsigned char> FileResponse(std::string_view path, std::string_view content);
// The Content-Type for a file name, from its extension (any case).
std::string_view ContentTypeForPath(std::string_view path);
