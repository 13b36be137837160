// Arbitrary bytes as a camera's answer and as its session description:
// the parsers must stay within them, and what they find must be
// consistent with the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "common/text_case.h"
#include "sources/rtsp_message.h"
#include "sources/rtsp_sdp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  RtspResponse response;
  if (ParseRtspResponse(text, response)) {
    if (response.status < 0 || response.status > 999 || response.body.size() > size) std::abort();
    std::string id;
    int timeout = 60;
    ParseRtspSession(response.Header("Session"), id, timeout);
    if (timeout <= 0) std::abort();
    const RtspChallenge challenge = ChooseRtspChallenge(response);
    const std::string answer = RtspAuthorization(challenge, {"u", "p"}, "DESCRIBE", "rtsp://cam/", 1, "c");
    if ((challenge.scheme == RtspChallenge::Scheme::kNone) != answer.empty()) std::abort();
  }
  size_t length = 0;
  RtspContentLength(text, length);
  RtspUrl url;
  if (ParseRtspUrl(text, url) && (url.host.empty() || url.port == 0 || !StartsWithNoCase(url.requestUrl, "rtsp://")))
    std::abort();
  SdpVideo video;
  if (ParseSdpVideo(text, "rtsp://cam/live", video) == SdpResult::kVideo &&
      (video.payloadType < 96 || video.payloadType > 127 || video.clockRate <= 0 || video.controlUrl.empty()))
    std::abort();
  return 0;
}
