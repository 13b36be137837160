#pragma once
// Writes MP4 files by copying packets: nothing is decoded or encoded, so
// what is kept is byte for byte what was recorded.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "player/mp4_input_win.h"
#include "player/mp4_reference_times.h"

// Packets [fromDecodeTime, toDecodeTime) of one input's video; the first
// must be a key frame. The input's capture times (its prft boxes, else its
// creation time) go with them.
struct PacketSpan {
  Mp4Input* input;
  int64_t fromDecodeTime;
  int64_t toDecodeTime;
  const std::vector<ReferenceTime>* references = nullptr;
};

// Told how far the copy got (0 to 1) between packets; false stops it.
using CopyProgress = std::function<bool(double done)>;

inline constexpr char kCopyStopped[] = "Stopped; nothing was written";

// Whether two inputs' videos may follow each other in one file: the same
// codec, picture size and parameter sets.
bool SameVideo(const Mp4Input& a, const Mp4Input& b);

// Writes the spans one after another, each shifted in time to follow the
// one before, into a new (not fragmented) MP4 at path, whose parameter sets
// are the first input's. The frames keep their capture dates: when every
// span has reference times, prft boxes follow the index, one for each
// span's start and each reference inside it; else the file's creation time
// is the first span's, moved to its first frame. "" when written; else why
// not (kCopyStopped when progress stopped it), and nothing is left at path.
std::string WritePacketSpans(const std::vector<PacketSpan>& spans, const std::string& path,
                             const CopyProgress& progress);
