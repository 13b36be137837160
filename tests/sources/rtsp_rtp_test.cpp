#include "sources/rtsp_rtp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/hex_bytes.h"

namespace {

TEST(ParseRtpPacket, FindsThePayloadBehindCsrcsAndExtensionAndBeforePadding) {
  const struct {
    const char* hex;
    bool valid;
    size_t payloadStart, payloadSize;
  } cases[] = {
      {"80e0 1234 00000100 0a0b0c0d 6566", true, 12, 2},
      {"b260 0001 00000001 00000001 01010101 02020202 bede0001 09090909 41 0002", true, 28,
       1},  // CSRCs, extension, padding
      {"a060 0001 00000001 00000001 41 01", true, 12, 1},
      {"8060 0001 00000001 00000001", true, 12, 0},
      {"8060 0001 00000001 000000", false, 0, 0},                // short header
      {"4060 0001 00000001 00000001 41", false, 0, 0},           // version 1
      {"8160 0001 00000001 00000001 41", false, 0, 0},           // CSRC past the end
      {"9060 0001 00000001 00000001 bede0002 01", false, 0, 0},  // extension past the end
      {"a060 0001 00000001 00000001 41 0e", false, 0, 0},        // padding past the start
      {"a060 0001 00000001 00000001 41 00", false, 0, 0},        // padding of none
  };
  for (const auto& c : cases) {
    const std::vector<uint8_t> bytes = HexBytes(c.hex);
    RtpPacket packet;
    ASSERT_EQ(ParseRtpPacket(bytes.data(), bytes.size(), packet), c.valid) << c.hex;
    if (!c.valid) continue;
    EXPECT_EQ(packet.payload, bytes.data() + c.payloadStart) << c.hex;
    EXPECT_EQ(packet.payloadSize, c.payloadSize) << c.hex;
  }
  const std::vector<uint8_t> first = HexBytes(cases[0].hex);
  RtpPacket packet;
  ASSERT_TRUE(ParseRtpPacket(first.data(), first.size(), packet));
  EXPECT_EQ(std::to_string(packet.marker) + " " + std::to_string(packet.payloadType) + " " +
                std::to_string(packet.sequence) + " " + std::to_string(packet.timestamp) + " " +
                std::to_string(packet.ssrc),
            "1 96 4660 256 168496141");
}

TEST(FindRtcpSenderReport, MapsRtpTimestampsToTheSendersClock) {
  // A receiver report, then a sender report: 2024-01-01 00:00:00.5 is RTP time 90000.
  const std::vector<uint8_t> compound =
      HexBytes("80c90001 00000007 80c80006 00000009 e93c7f00 80000000 00015f90 00000000 00000000");
  RtcpSenderReport report;
  ASSERT_TRUE(FindRtcpSenderReport(compound.data(), compound.size(), report));
  EXPECT_EQ(report.ssrc, 9u);
  const int64_t at = 1704067200500000;
  const struct {
    uint32_t timestamp;
    int64_t microseconds;
  } cases[] = {{90000, at}, {90000 + 45000, at + 500000}, {0, at - 1000000}, {90000u - 0x7FFFFFFFu, at - 23860929411}};
  for (const auto& c : cases) EXPECT_EQ(CaptureTimeMicroseconds(report, c.timestamp, 90000), c.microseconds);
  for (size_t cut : {size_t{8}, size_t{20}, compound.size() - 1})
    EXPECT_FALSE(FindRtcpSenderReport(compound.data(), cut, report)) << cut;
}

}  // namespace
