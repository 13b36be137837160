#include "sources/rtsp_rtp.h"

namespace {

constexpr size_t kRtpHeader = 12;
constexpr uint8_t kSenderReport = 200;
// Seconds from 1900, where the sender's clock counts from, to 1970.
constexpr int64_t kNtpToUnixSeconds = 2208988800;

uint16_t Read16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

uint32_t Read32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

}  // namespace

bool ParseRtpPacket(const uint8_t* data, size_t size, RtpPacket& packet) {
  if (size < kRtpHeader || data[0] >> 6 != 2) return false;
  size_t start = kRtpHeader + size_t{4} * (data[0] & 0x0F);
  if (data[0] & 0x10) {
    if (size < start + 4) return false;
    start += 4 + size_t{4} * Read16(data + start + 2);
  }
  size_t end = size;
  if (data[0] & 0x20) {
    const size_t padding = data[size - 1];
    if (padding == 0 || padding > size) return false;
    end -= padding;
  }
  if (start > end) return false;
  packet.marker = (data[1] & 0x80) != 0;
  packet.payloadType = data[1] & 0x7F;
  packet.sequence = Read16(data + 2);
  packet.timestamp = Read32(data + 4);
  packet.ssrc = Read32(data + 8);
  packet.payload = data + start;
  packet.payloadSize = end - start;
  return true;
}

bool FindRtcpSenderReport(const uint8_t* data, size_t size, RtcpSenderReport& report) {
  size_t at = 0;
  while (size - at >= 4) {
    const uint8_t* p = data + at;
    const size_t length = (size_t{Read16(p + 2)} + 1) * 4;
    if (p[0] >> 6 != 2 || length > size - at) return false;
    if (p[1] == kSenderReport && length >= 28) {
      report.ssrc = Read32(p + 4);
      report.ntpTime = uint64_t{Read32(p + 8)} << 32 | Read32(p + 12);
      report.rtpTimestamp = Read32(p + 16);
      return true;
    }
    at += length;
  }
  return false;
}

int64_t NtpToUnixMicroseconds(uint64_t ntpTime) {
  const auto seconds = static_cast<int64_t>(ntpTime >> 32) - kNtpToUnixSeconds;
  const auto fraction = static_cast<int64_t>(((ntpTime & 0xFFFFFFFFu) * 1000000) >> 32);
  return seconds * 1000000 + fraction;
}

int64_t CaptureTimeMicroseconds(const RtcpSenderReport& report, uint32_t rtpTimestamp, int clockRate) {
  const auto ticks = static_cast<int32_t>(rtpTimestamp - report.rtpTimestamp);
  return NtpToUnixMicroseconds(report.ntpTime) + int64_t{ticks} * 1000000 / (clockRate > 0 ? clockRate : 90000);
}
