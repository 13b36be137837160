// Arbitrary bytes as a camera's answer, its URL and its session
// description: the parsers must stay within them and agree with themselves.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sources/rtsp_message.h"
#include "sources/rtsp_sdp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  RtspResponse response;
  std::string id;
  int timeout = 60;
  if (ParseRtspResponse(text, response) &&
      (response.status > 999 || response.body.size() > size ||
       (ParseRtspSession(response.Header("Session"), id, timeout) && (id.empty() || timeout <= 0))))
    std::abort();
  const RtspChallenge challenge = ChooseRtspChallenge(response);
  if ((challenge.scheme == RtspChallenge::Scheme::kNone) != RtspAuthorization(challenge, {}, "PLAY", "", 1, "").empty())
    std::abort();
  RtspUrl url;
  if (ParseRtspUrl(text, url) && (url.host.empty() || url.port == 0)) std::abort();
  SdpVideo video;
  if (ParseSdpVideo(text, "rtsp://cam/live", video) == SdpResult::kVideo &&
      (video.payloadType < 96 || video.payloadType > 127 || video.controlUrl.empty()))
    std::abort();
  return 0;
}
