// Arbitrary bytes of an RTSP connection, read in chunks of arbitrary size,
// through the splitter, the RTP and RTCP parsers and the depacketizer:
// every access unit must begin with a start code and stay within the limit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "sources/rtsp_depacketizer.h"
#include "sources/rtsp_stream_splitter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  constexpr size_t kLimit = 4096;
  RtpDepacketizer depacketizer(data[0] & 1 ? VideoCodec::kH265 : VideoCodec::kH264, kLimit);
  const size_t chunk = 1 + data[1] * 97;
  RtspStreamSplitter splitter;
  for (size_t at = 2; at < size; at += chunk) {
    splitter.Append(data + at, std::min(chunk, size - at));
    for (RtspStreamSplitter::Piece piece; (piece = splitter.Next()) != RtspStreamSplitter::Piece::kNeedMore;) {
      if (piece != RtspStreamSplitter::Piece::kFrame) {
        if (piece == RtspStreamSplitter::Piece::kMessage && splitter.Message().size() > kMaxRtspMessageBytes)
          std::abort();
        continue;
      }
      RtcpSenderReport report;
      RtpPacket packet;
      if (splitter.Channel() == 1) FindRtcpSenderReport(splitter.Payload(), splitter.PayloadSize(), report);
      if (splitter.Channel() != 0 || !ParseRtpPacket(splitter.Payload(), splitter.PayloadSize(), packet)) continue;
      if (packet.payload + packet.payloadSize > splitter.Payload() + splitter.PayloadSize()) std::abort();
      depacketizer.Push(packet);
      for (AccessUnit unit; depacketizer.Take(unit);) {
        const std::vector<uint8_t>& b = unit.bytes;
        const size_t zeros = b.size() > 3 && b[2] == 0 ? 3 : 2;
        if (b.size() < zeros + 2 || b[0] || b[1] || b[zeros - 1] || b[zeros] != 1 || b.size() > kLimit + 1)
          std::abort();
      }
    }
  }
  return 0;
}
