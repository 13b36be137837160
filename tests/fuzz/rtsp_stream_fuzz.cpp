// Arbitrary bytes of an RTSP connection, read in chunks of arbitrary size,
// through the splitter, the RTP parser and the depacketizer: every access
// unit must begin with a start code and stay within the limit.
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
    const size_t n = std::min(chunk, size - at);
    std::memcpy(splitter.WriteSpace(n), data + at, n);
    splitter.Commit(n);
    for (;;) {
      const RtspStreamSplitter::Piece piece = splitter.Next();
      if (piece == RtspStreamSplitter::Piece::kNeedMore) break;
      if (piece == RtspStreamSplitter::Piece::kBadMessage || piece == RtspStreamSplitter::Piece::kUnsynchronised)
        return 0;
      if (piece == RtspStreamSplitter::Piece::kMessage) {
        if (splitter.Message().empty() || splitter.Message().size() > kMaxRtspMessageBytes) std::abort();
        continue;
      }
      RtcpSenderReport report;
      if (splitter.Channel() == 1) FindRtcpSenderReport(splitter.Payload(), splitter.PayloadSize(), report);
      RtpPacket packet;
      if (splitter.Channel() != 0 || !ParseRtpPacket(splitter.Payload(), splitter.PayloadSize(), packet)) continue;
      if (packet.payload + packet.payloadSize > splitter.Payload() + splitter.PayloadSize()) std::abort();
      depacketizer.Push(packet);
      for (AccessUnit unit; depacketizer.Take(unit);) {
        static constexpr uint8_t kStart[3] = {0, 0, 1};
        const std::vector<uint8_t>& b = unit.bytes;
        const bool startCode = (b.size() > 4 && std::memcmp(b.data(), kStart, 3) == 0) ||
                               (b.size() > 5 && b[0] == 0 && std::memcmp(b.data() + 1, kStart, 3) == 0);
        if (!startCode || b.size() > kLimit + 1) std::abort();
      }
    }
  }
  return 0;
}
