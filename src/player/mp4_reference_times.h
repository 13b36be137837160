#pragma once
// The wall-clock capture times an MP4 recording carries: its producer
// reference time boxes ("prft"), one before each fragment, pairing an NTP
// time with the media time of the fragment's first frame.
//
// Only the file's top-level box headers and the prft boxes are read (the
// walk seeks over everything else), so it costs about what the demuxer's
// own index walk costs. Damaged box sizes end the walk; at most
// kMaxReferenceTimes are kept and kMaxTopLevelBoxes looked at, so a hostile
// file cannot make the list grow without bound.

#include <cstdint>
#include <optional>
#include <vector>

#include "player/recording_file.h"

inline constexpr size_t kMaxReferenceTimes = 1 << 20;
inline constexpr size_t kMaxTopLevelBoxes = 1 << 22;

struct ReferenceTime {
  int64_t mediaTime;   // in the track's timescale
  double unixSeconds;  // the wall clock at that media time
};

// In file order.
std::vector<ReferenceTime> ReadReferenceTimes(RecordingFile& file);

// One top-level prft box (version 1: a 64-bit media time) for the track
// numbered trackId, as ReadReferenceTimes reads it back.
inline constexpr size_t kReferenceTimeBoxSize = 32;
std::vector<uint8_t> ReferenceTimeBox(const ReferenceTime& reference, uint32_t trackId);

// The wall clock at media time `time` (timescale units per second): from
// the last reference at or before it, else the first one; none without
// references or with a timescale that is not positive.
std::optional<double> WallClockAt(const std::vector<ReferenceTime>& references, int64_t time, int64_t timescale);
