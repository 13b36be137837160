#pragma once
// The video of a camera's session description: which RTP payload carries
// it, its codec, where to set it up and the parameter sets it announces.

#include <string>
#include <string_view>

#include "sources/parameter_sets.h"

struct SdpVideo {
  VideoCodec codec = VideoCodec::kH264;
  std::string encoding;  // as the description names it, for status texts
  int payloadType = -1;
  int clockRate = 90000;
  std::string controlUrl;  // resolved against the base URL
  // H.264's sprop-parameter-sets, H.265's sprop-vps, -sps, -pps and -sei in
  // that order, each unit behind a four-byte start code; "" when none.
  std::string parameterSets;
};

enum class SdpResult {
  kVideo,
  kNoVideo,           // no video media section
  kUnsupportedCodec,  // neither H.264 nor H.265, or a packetization this client cannot read
};

// baseUrl: Content-Base, else Content-Location, else the URL described.
SdpResult ParseSdpVideo(std::string_view sdp, std::string_view baseUrl, SdpVideo& video);
