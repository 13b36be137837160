#pragma once
// A camera's compressed video as it arrives, for recording it unchanged:
// each packet is shared, never changed after it is made, and carries the
// description of the stream it belongs to, so it can cross from the
// reading thread to the camera worker without a borrowed pointer.

#include <cstdint>
#include <memory>
#include <string>

#include "common/ffmpeg_owners_win.h"

// One stream setup: a new one starts when the codec, the picture size or
// the parameter sets change, and with every new connection.
struct StreamFormat {
  ScopedCodecParameters parameters;  // with the picture size and the parameter sets
  AVRational timeBase{1, 90000};
  std::string key;  // codec, size and parameter sets: equal keys decode alike
};

struct StreamPacket {
  std::shared_ptr<const StreamFormat> format;
  ScopedPacket packet;
  bool keyFrame = false;
  int64_t arrivalUs = 0;    // steady clock
  int64_t wallClockUs = 0;  // microseconds since 1970
};

using SharedPacket = std::shared_ptr<const StreamPacket>;
