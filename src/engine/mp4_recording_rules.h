#pragma once
// What an MP4 recording of a camera's own packets decides without touching
// a file: where each packet goes (the open file, a new one, or nowhere
// because it cannot be decoded on its own there) and which time stamps it
// gets, so that the file's times keep increasing whatever the camera's
// clock does.

#include <cstdint>
#include <optional>
#include <string>

// A new file is started, at a key frame, after a gap longer than this.
inline constexpr int64_t kMaxRecordingGapUs = 10'000'000;

// What the recorder knows of a packet before it places it.
struct PacketFacts {
  bool keyFrame = false;
  std::string fileName;    // the template expanded for this packet
  std::string parameters;  // codec, size and parameter sets, in any form that compares
  int64_t arrivalUs = 0;   // steady clock
};

// What the recorder knows of the file it writes to.
struct OpenFileFacts {
  std::string fileName;
  std::string parameters;
  int64_t lastArrivalUs = 0;
};

enum class PacketPlace { kAppend, kNewFile, kDrop };

// Where the next packet goes; `open` is null while no file is open. A new
// file starts only at a key frame: after a rename the old file takes the
// packets up to it, after a gap or a change of the stream's parameters the
// packets up to it cannot be decoded and are dropped.
PacketPlace PlacePacket(const OpenFileFacts* open, const PacketFacts& next);

// Turns the camera's time stamps into the file's: they start at 0 in each
// file and increase strictly. Where the camera's decoding time goes back,
// stands still, or leaps further ahead than the packets' arrival, the
// arrival time since the previous packet takes its place.
class RecordingTimeline {
 public:
  struct Stamps {
    int64_t dts = 0;
    int64_t pts = 0;
  };

  explicit RecordingTimeline(int64_t ticksPerSecond) : ticksPerSecond_(ticksPerSecond) {}

  // A new file: the next packet gets time 0.
  void Restart() { last_.reset(); }
  // The file's stamps for a packet; the camera's, in ticks, may be missing.
  Stamps Next(std::optional<int64_t> cameraDts, std::optional<int64_t> cameraPts, int64_t arrivalUs);

 private:
  struct Last {
    std::optional<int64_t> cameraDts;
    int64_t arrivalUs = 0;
    int64_t dts = 0;
  };
  int64_t ticksPerSecond_;
  std::optional<Last> last_;
};
