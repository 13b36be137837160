#pragma once
// JPEG coding of pictures through libjpeg-turbo. Every thread may code at
// once; each keeps one worst-case block for its encoding.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/picture.h"

// Encodes a 24- or 32-bit picture at quality 1 to 100 (values outside are
// clamped). On success the buffer holds one complete JPEG picture; its old
// capacity is reused, so a caller coding every frame keeps one buffer. Sets the
// picture's image-size field to what its pixels take. False, with the
// buffer left empty, for a picture without pixels or any coding failure.
bool EncodeJpeg(Picture& picture, int quality, std::vector<uint8_t>& jpeg);
// The same for a picture shared with other threads, which stays untouched.
bool EncodeJpeg(const Picture& picture, int quality, std::vector<uint8_t>& jpeg);

// What a decode does with a picture the library reads only with a warning
// (one cut short decodes with a grey lower part): a player shows what is
// left of a recorded frame; a camera drops it, so it is never shown,
// served or recorded.
enum class JpegDamage { kTolerate, kRefuse };

// Decodes any JPEG the library reads (colour or grayscale) into a new
// bottom-up 24-bit picture, reusing the old picture's pixel buffer when it
// is large enough. False, with the picture left empty, for null or
// undecodable bytes, for pictures too large to hold, and with kRefuse for
// damaged ones.
bool DecodeJpeg(const uint8_t* bytes, size_t length, Picture& picture, JpegDamage damage = JpegDamage::kTolerate);

// The width and height a JPEG's header gives, without decoding it; false
// when the header does not read.
bool ReadJpegSize(const uint8_t* bytes, size_t length, int& width, int& height);

// The largest picture the decoder accepts, in pixels: a damaged or hostile
// header must not make a camera thread allocate gigabytes.
inline constexpr uint64_t kMaxDecodedPixels = 64ull * 1024 * 1024;
