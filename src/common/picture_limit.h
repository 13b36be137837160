#pragma once
// The largest picture a camera may send. Larger ones are refused before
// they are decoded, so what one camera holds stays bounded whatever it
// sends (a hostile or broken camera's 8192x8192 pictures took a gigabyte).

#include <cstddef>
#include <cstdint>
#include <string>

// 16.8 Mpixel: 4096x4096, or 7680x2160 (8K wide).
inline constexpr int64_t kMaxCameraPixels = 4096 * 4096;

// "" when a picture of this size may be decoded; otherwise the start of the
// camera's status text, naming the size: "Picture too large (8192x8192)".
std::string PictureSizeRefusal(int width, int height);
// The same for a JPEG, from its header; "" also when the header does not
// read (the decoder then refuses the picture as it is).
std::string JpegSizeRefusal(const uint8_t* bytes, size_t length);
