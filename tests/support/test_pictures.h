#pragma once
// Pictures with content a test can recognise after coding and moving.

#include <cstdint>
#include <string>
#include <vector>

#include "common/picture.h"

// Every pixel a different, position-derived colour.
Picture PatternPicture(int32_t width, int32_t height, int bitCount = 24);

// Smooth gradients with blocks: survives JPEG coding with small error.
Picture SmoothPicture(int32_t width, int32_t height);

// Largest per-channel difference between two 24-bit pictures of equal size.
int MaxChannelDifference(const Picture& a, const Picture& b);
// Mean absolute per-channel difference.
double MeanChannelDifference(const Picture& a, const Picture& b);

// The bytes of pixel (x, y), y counted from the first buffer row.
const uint8_t* PixelAt(const Picture& picture, int32_t x, int32_t y);

std::vector<uint8_t> ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes);

// The frames of a recording, in order, by the forward frame rule.
std::vector<std::vector<uint8_t>> SplitFrames(const std::vector<uint8_t>& recording);
