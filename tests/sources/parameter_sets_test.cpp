#include "sources/parameter_sets.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Units(std::initializer_list<std::string> units, const std::string& startCode = std::string("\0\0\1", 3)) {
  std::string bytes;
  for (const std::string& unit : units) bytes += startCode + unit;
  return bytes;
}

TEST(InBandParameterSets, SetsBeforeTheFirstSliceOnlyAndOnlyWhenComplete) {
  const std::string aud("\x09\xF0", 2), sps("\x67\x42\x00\x1E", 4), pps("\x68\xCE\x38\x80", 4);
  const std::string idr("\x65\x88\x00\x00", 4), laterSps("\x67\x4D", 2);
  const std::string vps("\x40\x01\x0C", 3), hSps("\x42\x01\x01", 3), hPps("\x44\x01\xC1", 3), hIdr("\x26\x01\xAF", 3);
  const std::string four("\0\0\0\1", 4);
  const struct {
    const char* what;
    std::string bytes;
    VideoCodec codec;
    std::string sets;
  } cases[] = {
      {"H.264 key frame", Units({aud, sps, pps, idr, laterSps}, four), VideoCodec::kH264, Units({sps, pps}, four)},
      {"no PPS before the slice", Units({sps, idr, pps}), VideoCodec::kH264, ""},
      {"H.265 key frame", Units({vps, hSps, hPps, hIdr}), VideoCodec::kH265, Units({vps, hSps, hPps}, four)},
      {"H.265 without VPS", Units({hSps, hPps, hIdr}, four), VideoCodec::kH265, ""},
      {"no start code", sps + pps, VideoCodec::kH264, ""},
      {"empty units", std::string("\0\0\1\0\0\1", 6), VideoCodec::kH265, ""},
  };
  for (const auto& c : cases) {
    const auto* data = reinterpret_cast<const uint8_t*>(c.bytes.data());
    EXPECT_EQ(InBandParameterSets(data, c.bytes.size(), c.codec), c.sets) << c.what;
  }
}

}  // namespace
