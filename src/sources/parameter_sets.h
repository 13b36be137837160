#pragma once
// A camera that announces no parameter sets in its session description
// sends them inside its key frames instead. These are found there, in the
// byte-stream form with start codes that the RTP reader hands out, so that
// a recording's header can describe the stream before its first picture.

#include <cstddef>
#include <cstdint>
#include <string>

enum class VideoCodec { kH264, kH265 };

// The parameter set units (H.264: SPS and PPS; H.265: VPS, SPS and PPS)
// that come before the first picture slice of an access unit, each behind a
// four-byte start code, in their order; "" unless every kind is there.
std::string InBandParameterSets(const uint8_t* data, size_t size, VideoCodec codec);
