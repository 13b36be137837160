#pragma once
// Records a camera's packets as it sent them into MP4 files: keeps the
// packets from before motion from a key frame on, places every packet by
// the recording rules (a new file only at a key frame), gives the file
// increasing time stamps, and tells what it records at what bit rate.
// Where and when to record is the caller's (Recorder's) decision.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "common/fixed_text.h"
#include "engine/mp4_recording_rules.h"
#include "engine/mp4_writer_win.h"
#include "engine/stream_packet_win.h"

class Mp4Recorder {
 public:
  enum class Result {
    kRecorded,
    kWaitingForKeyFrame,  // nothing decodable to start a file with yet
    kOpenFailed,
    kWriteFailed,  // the file ends with its last whole fragment and is closed
  };

  explicit Mp4Recorder(Mp4Writer::SinkFactory openSink);

  // While nothing is recorded: keeps the packet, with those before it back
  // to the last key frame at least spanUs before it.
  void Keep(const SharedPacket& packet, int64_t spanUs);
  // Records the packets kept and then this one into the file named `path`
  // (or, when an earlier run left a file of that name, the same name with a
  // number before ".mp4"), whose folders exist.
  Result Record(const SharedPacket& packet, const char* path);
  bool IsOpen() const { return writer_.IsOpen(); }
  // The file written to, "" while none is open.
  const std::string& FilePath() const { return filePath_; }
  // Closes the file, which keeps every packet written; false when its last
  // fragment could not be written.
  bool Close();
  void ForgetKept() { kept_.clear(); }
  // The camera sent packets but no key frame for longer than a file may
  // pause.
  bool KeyFramesMissing() const { return keyFramesMissing_; }
  // "Recording H.264 as sent, 1920x1080, 4.1 Mbit/s", the rate once measured.
  const char* StatusText() const { return status_; }

 private:
  Result RecordOne(const StreamPacket& packet, const char* path);
  bool OpenFile(const StreamPacket& packet, const char* path);
  void NoteArrival(const StreamPacket& packet);
  void CountBytes(const StreamPacket& packet);

  Mp4Writer writer_;
  OpenFileFacts open_;
  std::string filePath_;
  RecordingTimeline timeline_{90000};
  std::deque<SharedPacket> kept_;
  size_t keptBytes_ = 0;
  std::optional<int64_t> lastKeyFrameUs_;
  bool keyFramesMissing_ = false;
  const StreamFormat* statusFormat_ = nullptr;
  int64_t rateStartUs_ = 0;
  int64_t rateBytes_ = 0;
  char status_[kTextSize] = {};
};
