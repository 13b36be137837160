#include "sources/capture_text.h"

#include <gtest/gtest.h>

#include <string>

TEST(CaptureText, FormatEntriesAreWidthHeightAndBits) {
  char text[32];
  ASSERT_TRUE(FormatCaptureEntry(text, sizeof text, 640, 480, 24));
  EXPECT_STREQ(text, "640x480 24 bit");

  char small[8];
  EXPECT_FALSE(FormatCaptureEntry(small, sizeof small, 640, 480, 24));
  EXPECT_STREQ(small, "640x480");
}

TEST(CaptureText, ConnectorNamesByType) {
  const std::pair<long, std::string> names[] = {
      {1, "Video Tuner"},
      {2, "Video Composite"},
      {3, "S-Video"},
      {4, "Video RGB"},
      {5, "Video YRYBY"},
      {6, "Video Serial Digital"},
      {7, "Video Parallel Digital"},
      {8, "Video SCSI"},
      {9, "Video AUX"},
      {10, "Video 1394"},
      {11, "Video USB"},
      {12, "Video Decoder"},
      {13, "Video Encoder"},
      {4096, "Audio Tuner"},
      {4097, "Audio Line"},
      {4098, "Audio Microphone"},
      {4099, "Audio AES/EBU Digital"},
      {4100, "Audio S/PDIF"},
      {4101, "Audio SCSI"},
      {4102, "Audio AUX"},
      {4103, "Audio 1394"},
      {4104, "Audio USB"},
      {4105, "Audio Decoder"},
  };
  for (const auto& [type, name] : names) EXPECT_EQ(PinTypeName(type), name) << type;
  for (long other : {0L, -1L, 14L, 4095L, 4106L, 0x7fffffffL}) EXPECT_STREQ(PinTypeName(other), "Unknown Type");
}
