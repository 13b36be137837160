#pragma once
// What the player window shows a recording through, whatever its format:
// the .mjpg reader and the MP4 reader both serve it, so the window steps,
// plays and seeks without knowing which one is open.

#include <cstdint>
#include <optional>
#include <string>

#include "common/picture.h"

enum class FrameMove {
  kNext,
  kPrevious,
  kAtFraction,  // the frame at a fraction of the recording
};

enum class FrameOutcome {
  kShown,
  kNoFrame,      // nothing there: the shown frame stays
  kUndecodable,  // a frame is there (the position moved) but does not decode
};

struct ShownFrame {
  Picture picture;
  // The capture date and time as the status line says it; none when the
  // frame carries none.
  std::optional<std::string> date;
};

class FrameSource {
 public:
  virtual ~FrameSource() = default;
  virtual bool IsOpen() const = 0;
  virtual int64_t FileSize() const = 0;
  // Moves to the next or previous frame, or to the one at `fraction`
  // (clamped to [0, 1]), and decodes it into shown.
  virtual FrameOutcome Show(FrameMove move, double fraction, ShownFrame& shown) = 0;
  // Where the current frame lies in the recording, from its start or its end.
  virtual long double PositionFraction(bool atFrameStart) const = 0;
  // How long the current frame lasts when played at the recorded pace;
  // none when the recording does not say (the user's delay then applies).
  virtual std::optional<uint32_t> RecordedDelayMs() { return std::nullopt; }
  // "mjpg" or "mp4", for the picture area's messages.
  virtual const char* FormatName() const = 0;
};
