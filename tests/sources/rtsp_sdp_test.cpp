#include "sources/rtsp_sdp.h"

#include <gtest/gtest.h>

#include <string>

#include "support/hex_bytes.h"

namespace {

TEST(ParseSdpVideo, FirstVideoItsCodecControlAndParameterSets) {
  const std::string head = "v=0\r\no=- 1 1 IN IP4 0.0.0.0\r\ns=cam\r\nt=0 0\r\n";
  const struct {
    std::string sdp;
    SdpResult result;
    int payloadType;
    const char* encoding;
    const char* control;
    const char* sets;
  } cases[] = {
      {head + "a=control:*\r\nm=video 0 RTP/AVP 96\r\na=rtpmap:96 H264/90000\r\n"
              "a=fmtp:96 packetization-mode=1; sprop-parameter-sets=Z2QAHqw=,aO48sA==;profile-level-id=64001E\r\n"
              "a=control:trackID=1\r\n",
       SdpResult::kVideo, 96, "H264", "rtsp://cam/live/trackID=1", "000000016764001eac0000000168ee3cb0"},
      {head + "m=audio 0 RTP/AVP 0\r\na=control:audio\r\nm=video 0 RTP/AVP 97 96\na=rtpmap:96 H264/90000\n"
              "a=rtpmap:97 h265/90000\na=fmtp:97 sprop-sps=QgEBAQ==; sprop-pps=RAHBcg==; sprop-vps=QAEMAQ==\n"
              "a=control:rtsp://cam:8554/v\nm=video 0 RTP/AVP 98\na=rtpmap:98 H264/90000\n",
       SdpResult::kVideo, 97, "h265", "rtsp://cam:8554/v", "0000000140010c010000000142010101000000014401c172"},
      // An absolute session control is the base; a list missing its last set is left out.
      {head + "a=control:rtsp://cam/agg/\r\nm=video 0 RTP/AVP 96\r\na=rtpmap:96 H264/90000\r\n"
              "a=fmtp:96 sprop-parameter-sets=Z2QAHqw=,\r\na=control:v\r\n",
       SdpResult::kVideo, 96, "H264", "rtsp://cam/agg/v", ""},
      {head + "m=audio 0 RTP/AVP 0\r\n", SdpResult::kNoVideo, -1, "", "", ""},
      {head + "m=video 0 RTP/AVP 26\r\n", SdpResult::kUnsupportedCodec, 26, "", "", ""},
      {head + "m=video 0 RTP/AVP 96\r\na=rtpmap:96 MP4V-ES/90000\r\n", SdpResult::kUnsupportedCodec, 96, "MP4V-ES", "",
       ""},
      {head + "m=video 0 RTP/AVP 96\r\na=rtpmap:96 H264/90000\r\na=fmtp:96 packetization-mode=2\r\n",
       SdpResult::kUnsupportedCodec, 96, "H264", "", ""},
      {head + "m=video 0 RTP/AVP 96\r\na=rtpmap:96 H265/90000\r\na=fmtp:96 sprop-max-don-diff=2\r\n",
       SdpResult::kUnsupportedCodec, 96, "H265", "", ""},
  };
  for (const auto& c : cases) {
    SdpVideo video;
    ASSERT_EQ(ParseSdpVideo(c.sdp, "rtsp://cam/live", video), c.result) << c.sdp;
    if (c.result == SdpResult::kNoVideo) continue;
    EXPECT_EQ(video.payloadType, c.payloadType) << c.sdp;
    EXPECT_EQ(video.encoding, c.encoding) << c.sdp;
    EXPECT_EQ(video.controlUrl, c.control) << c.sdp;
    EXPECT_EQ(HexText(video.parameterSets.data(), video.parameterSets.size()), c.sets) << c.sdp;
    if (c.result == SdpResult::kVideo) {
      EXPECT_EQ(video.codec, c.encoding[3] == '4' ? VideoCodec::kH264 : VideoCodec::kH265);
      EXPECT_EQ(video.clockRate, 90000);
    }
  }
}

}  // namespace
