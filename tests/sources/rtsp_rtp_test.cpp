#include "sources/rtsp_rtp.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(ParseRtpPacket, FindsThePayloadBehindCsrcsAndExtensionAndBeforePadding) {
  const struct {
    std::vector<uint8_t> bytes;
    bool valid;
    size_t payloadStart, payloadSize;
  } cases[] = {
      {{0x80, 0xE0, 0x12, 0x34, 0, 0, 1, 0, 0xA, 0xB, 0xC, 0xD, 0x65, 0x66}, true, 12, 2},
      // Two CSRCs, an extension of one word, two bytes of padding.
      {{0xB2, 0x60, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1, 1, 1, 2, 2, 2, 2, 0xBE, 0xDE, 0, 1, 9, 9, 9, 9, 0x41, 0, 2},
       true,
       28,
       1},
      {{0xA0, 0x60, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0x41, 1}, true, 12, 1},
      {{0x80, 0x60, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1}, true, 12, 0},
      {{0x80, 0x60, 0, 1, 0, 0, 0, 1, 0, 0, 0}, false, 0, 0},                          // short header
      {{0x40, 0x60, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0x41}, false, 0, 0},                 // version 1
      {{0x81, 0x60, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0x41}, false, 0, 0},                 // CSRC past the end
      {{0x90, 0x60, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0xBE, 0xDE, 0, 2, 1}, false, 0, 0},  // extension past the end
      {{0xA0, 0x60, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0x41, 14}, false, 0, 0},             // padding past the start
      {{0xA0, 0x60, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0x41, 0}, false, 0, 0},              // padding of none
  };
  for (const auto& c : cases) {
    RtpPacket packet;
    ASSERT_EQ(ParseRtpPacket(c.bytes.data(), c.bytes.size(), packet), c.valid) << &c - cases;
    if (!c.valid) continue;
    EXPECT_EQ(packet.payload, c.bytes.data() + c.payloadStart);
    EXPECT_EQ(packet.payloadSize, c.payloadSize);
  }
  RtpPacket packet;
  ASSERT_TRUE(ParseRtpPacket(cases[0].bytes.data(), cases[0].bytes.size(), packet));
  EXPECT_TRUE(packet.marker);
  EXPECT_EQ(packet.payloadType, 96);
  EXPECT_EQ(packet.sequence, 0x1234);
  EXPECT_EQ(packet.timestamp, 256u);
  EXPECT_EQ(packet.ssrc, 0x0A0B0C0Du);
}

TEST(FindRtcpSenderReport, MapsRtpTimestampsToTheSendersClock) {
  // A receiver report before the sender report, as a compound packet may hold.
  const std::vector<uint8_t> compound = {
      0x80, 201, 0,    1,    0,    0,    0,    7,    0x80, 200, 0, 6,
      0,    0,   0,    9,    0xE9, 0x3C, 0x7F, 0x00, 0x80, 0,   0, 0,  // 2024-01-01 00:00:00.5
      0,    1,   0x5F, 0x90, 0,    0,    0,    0,    0,    0,   0, 0};
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
