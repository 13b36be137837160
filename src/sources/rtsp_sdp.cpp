#include "sources/rtsp_sdp.h"

#include <vector>

#include "common/leading_integer.h"
#include "common/text_case.h"
#include "net/base64.h"
#include "sources/rtsp_message.h"

namespace {

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(TrimRtspBlanks(text.substr(at, end - at)));
    at = end + 1;
  }
  return lines;
}

// The text after "a=name:" when the line is that attribute.
bool Attribute(std::string_view line, std::string_view name, std::string_view& value) {
  if (!line.starts_with("a=") || !StartsWithNoCase(line.substr(2), name) || line.size() <= 2 + name.size() ||
      line[2 + name.size()] != ':')
    return false;
  value = line.substr(3 + name.size());
  return true;
}

// Each base64 unit of a comma-separated list behind a four-byte start code.
void AppendUnits(std::string& sets, std::string_view list) {
  static constexpr char kStartCode[4] = {0, 0, 0, 1};
  for (size_t at = 0; at < list.size();) {
    size_t comma = list.find(',', at);
    if (comma == std::string_view::npos) comma = list.size();
    const std::string unit = Base64Decode(TrimRtspBlanks(list.substr(at, comma - at)));
    if (!unit.empty()) sets.append(kStartCode, sizeof kStartCode).append(unit);
    at = comma + 1;
  }
}

struct Fmtp {
  std::string h264Sets;
  std::string h265Sets[4];  // VPS, SPS, PPS, SEI
  bool interleaved = false;
};

void ReadFmtp(std::string_view parameters, Fmtp& fmtp) {
  static constexpr std::string_view kH265Names[4] = {"sprop-vps", "sprop-sps", "sprop-pps", "sprop-sei"};
  for (size_t at = 0; at < parameters.size();) {
    size_t end = parameters.find(';', at);
    if (end == std::string_view::npos) end = parameters.size();
    const std::string_view parameter = TrimRtspBlanks(parameters.substr(at, end - at));
    at = end + 1;
    const size_t equals = parameter.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view name = TrimRtspBlanks(parameter.substr(0, equals));
    const std::string_view value = TrimRtspBlanks(parameter.substr(equals + 1));
    // A list with its last set missing is not used at all.
    if (EqualsNoCase(name, "sprop-parameter-sets") && !value.empty() && value.back() != ',') {
      fmtp.h264Sets.clear();
      AppendUnits(fmtp.h264Sets, value);
    }
    for (int i = 0; i < 4; ++i)
      if (EqualsNoCase(name, kH265Names[i])) AppendUnits(fmtp.h265Sets[i], value);
    const bool orderField = EqualsNoCase(name, "sprop-max-don-diff") || EqualsNoCase(name, "sprop-depack-buf-nalus");
    if ((EqualsNoCase(name, "packetization-mode") || orderField) && ParseLeadingInteger(value) > (orderField ? 0 : 1))
      fmtp.interleaved = true;
  }
}

}  // namespace

SdpResult ParseSdpVideo(std::string_view sdp, std::string_view baseUrl, SdpVideo& video) {
  std::string base(baseUrl);
  bool inVideo = false;
  bool found = false;
  SdpVideo parsed;
  std::string control;
  Fmtp fmtp;
  for (std::string_view line : Lines(sdp)) {
    std::string_view value;
    if (line.starts_with("m=")) {
      if (found) break;
      inVideo = line.starts_with("m=video ");
      if (!inVideo) continue;
      found = true;
      // m=video port proto format...: the first format is the one used.
      size_t at = 8;
      for (int field = 0; field < 2 && at != std::string_view::npos; ++field) at = line.find(' ', at + 1);
      if (at != std::string_view::npos) parsed.payloadType = static_cast<int>(ParseLeadingInteger(line.substr(at)));
    } else if (!found && Attribute(line, "control", value)) {
      // An absolute session control is the base of the media controls.
      if (StartsWithNoCase(TrimRtspBlanks(value), "rtsp://")) base = TrimRtspBlanks(value);
    } else if (inVideo && Attribute(line, "control", value)) {
      control = TrimRtspBlanks(value);
    } else if (inVideo && Attribute(line, "rtpmap", value)) {
      const size_t space = value.find(' ');
      if (space == std::string_view::npos || ParseLeadingInteger(value.substr(0, space)) != parsed.payloadType)
        continue;
      const std::string_view map = TrimRtspBlanks(value.substr(space + 1));
      const size_t slash = map.find('/');
      parsed.encoding = map.substr(0, slash);
      if (slash != std::string_view::npos)
        parsed.clockRate = static_cast<int>(ParseLeadingInteger(map.substr(slash + 1)));
    } else if (inVideo && Attribute(line, "fmtp", value)) {
      const size_t space = value.find(' ');
      if (space != std::string_view::npos && ParseLeadingInteger(value.substr(0, space)) == parsed.payloadType)
        ReadFmtp(value.substr(space + 1), fmtp);
    }
  }
  if (!found) return SdpResult::kNoVideo;
  const bool h264 = EqualsNoCase(parsed.encoding, "H264");
  if ((!h264 && !EqualsNoCase(parsed.encoding, "H265")) || fmtp.interleaved || parsed.clockRate <= 0 ||
      parsed.payloadType < 96 || parsed.payloadType > 127) {
    video = std::move(parsed);
    return SdpResult::kUnsupportedCodec;
  }
  parsed.codec = h264 ? VideoCodec::kH264 : VideoCodec::kH265;
  parsed.parameterSets =
      h264 ? fmtp.h264Sets : fmtp.h265Sets[0] + fmtp.h265Sets[1] + fmtp.h265Sets[2] + fmtp.h265Sets[3];
  parsed.controlUrl = ResolveRtspControl(base, control);
  video = std::move(parsed);
  return SdpResult::kVideo;
}
