#pragma once
// Writes MP4 files by copying packets: nothing is decoded or encoded, so
// what is kept is byte for byte what was recorded.

#include <cstdint>
#include <string>
#include <vector>

#include "player/mp4_input_win.h"

// Packets [fromDecodeTime, toDecodeTime) of one input's video; the first
// must be a key frame.
struct PacketSpan {
  Mp4Input* input;
  int64_t fromDecodeTime;
  int64_t toDecodeTime;
};

// Whether two inputs' videos may follow each other in one file: the same
// codec, picture size and parameter sets.
bool SameVideo(const Mp4Input& a, const Mp4Input& b);

// Writes the spans one after another, each shifted in time to follow the
// one before, into a new (not fragmented) MP4 at path, whose parameter sets
// are the first input's. "" when written; else why not, and nothing is
// left at path.
std::string WritePacketSpans(const std::vector<PacketSpan>& spans, const std::string& path);
