#pragma once
// The texts of the capture device dialog's lists: a format entry and the
// names of crossbar connector types.

#include <cstddef>

// "640x480 24 bit" into `text`; false when it does not fit.
bool FormatCaptureEntry(char* text, size_t capacity, int width, int height, int bitCount);

// The name of a physical connector type, "Unknown Type" for any other.
const char* PinTypeName(long type);

// Video connectors have types below the first audio type.
inline constexpr long kFirstAudioConnector = 4096;
// The crossbar output that feeds the capture filter.
inline constexpr long kVideoDecoderConnector = 12;
