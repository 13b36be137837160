#pragma once
// RTP packets and RTCP sender reports as they arrive inside the RTSP
// connection, every length checked against what was received.

#include <cstddef>
#include <cstdint>

struct RtpPacket {
  bool marker = false;
  uint8_t payloadType = 0;
  uint16_t sequence = 0;
  uint32_t timestamp = 0;
  uint32_t ssrc = 0;
  const uint8_t* payload = nullptr;  // points into the bytes parsed
  size_t payloadSize = 0;
};

// False unless version 2 with its CSRC list, extension and padding inside
// the bytes.
bool ParseRtpPacket(const uint8_t* data, size_t size, RtpPacket& packet);

// The sender's clock at a moment and the RTP timestamp it gave that moment.
struct RtcpSenderReport {
  uint32_t ssrc = 0;
  uint64_t ntpTime = 0;  // seconds since 1900 in the high 32 bits, fraction in the low
  uint32_t rtpTimestamp = 0;
};

// The first sender report of a compound RTCP packet; false when it has none
// or its lengths do not fit.
bool FindRtcpSenderReport(const uint8_t* data, size_t size, RtcpSenderReport& report);

// Microseconds since 1970 of a sender report's clock.
int64_t NtpToUnixMicroseconds(uint64_t ntpTime);

// The sender's wall-clock time of an RTP timestamp near the report's:
// timestamps within half their range before or after it.
int64_t CaptureTimeMicroseconds(const RtcpSenderReport& report, uint32_t rtpTimestamp, int clockRate);
