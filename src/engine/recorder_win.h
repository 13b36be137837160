#pragma once
// The recording half of a camera worker: decides for every processed
// picture whether and where it is recorded, keeps the recording file open
// between frames in .mjpg mode, numbers single pictures, and keeps the
// status text of the last recording problem. A camera that sends its own
// packets and records them as sent has them written to .mp4 files instead,
// its pictures deciding only about motion. Runs on the worker thread only.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/byte_sink.h"
#include "common/clock.h"
#include "common/picture.h"
#include "common/scoped_handle_win.h"
#include "engine/alarm.h"
#include "engine/cam_settings.h"
#include "engine/mp4_recorder_win.h"
#include "engine/pre_motion_ring.h"
#include "engine/recording_claims.h"
#include "engine/recording_extras.h"

class Recorder {
 public:
  // What the save step needs from outside, replaceable by tests.
  struct Services {
    const Clock* clock = &DefaultClock();
    AlarmSound* alarm = nullptr;  // null: no sound device
    // Burns the text overlay into a picture that is about to be recorded.
    std::function<void(Picture&, const CamSettings&)> burnOverlay;
    // Wraps the open file for writing one frame.
    std::function<std::unique_ptr<ByteSink>(HANDLE)> openSink;
  };

  Recorder();
  explicit Recorder(Services services);
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // The save step for one processed picture with its motion level; an
  // overlay on file goes on a copy. Any exception inside closes the file
  // and becomes the status "Unknown file save exception occured!".
  void SaveFrame(const Picture& picture, int32_t motionLevel, const CamSettings& settings);
  // One packet the camera sent: recorded as sent when the camera's format
  // says so, by the same rules as its pictures.
  void SavePacket(const SharedPacket& packet, const CamSettings& settings);
  // The camera's recording format is "as sent": its packets are wanted.
  bool RecordsAsSent() const { return extras_.recordAsSent != 0; }
  // Pictures from a camera's second stream never record: the main stream's
  // packets do, once they come (its pictures came first at times).
  void SetPicturesFromSecondStream(bool fromSecond) { picturesFromSecondStream_ = fromSecond; }
  // The source is gone: until packets arrive again, pictures are recorded.
  void ForgetPacketSource() {
    packetsArrive_ = false;
    mp4_.Close();
    mp4_.ForgetKept();
  }

  // New settings arrived: the next saved frame starts from a fresh path,
  // and frames kept from before motion belong to the old settings.
  void ForgetPath();
  // Frames before motion and storage limits; forgets the kept frames.
  void SetExtras(const RecordingExtras& extras);
  // The source changed: its frames from before motion are dropped.
  void DropPreMotionFrames() {
    preMotion_.Clear();
    mp4_.ForgetKept();
  }
  void CloseFile() {
    recordFile_.Reset();
    mp4_.Close();
    claim_.Release();
  }
  // The camera's number in the grid and its own name ("" for none): what
  // another camera that meets its file calls it.
  void SetCameraName(int number, const char* ownName);
  // The last save step wrote a frame.
  bool RecordedLastFrame() const { return recordedLast_; }

  // "View current footage": the recording opened through the shell (an
  // .mp4 one in the Framedeck beside the program), or the folder of the
  // numbered pictures. Nothing while no path is in use.
  void OpenCurrentFootage(const CamSettings& settings) const;

  // The last recording problem, else the limits' own, else "".
  const char* StatusText() const;
  // The last recording problem alone, "" for none.
  const char* ProblemText() const { return statusText_; }
  bool LimitsUnmet() const { return limitsUnmet_; }
  // The file the last recorded frame went to, "" before one.
  std::string RecordingPath(const CamSettings& settings) const;

  // The shell calls behind OpenCurrentFootage, replaceable by tests.
  std::function<void(const char* path)> shellOpen;
  std::function<void(const char* program, const char* path)> openWith;

 private:
  void SaveSteps(const Picture& picture, int32_t motionLevel, const CamSettings& settings);
  void SavePacketSteps(const SharedPacket& packet, const CamSettings& settings);
  // Packets arrive, or will, and are to be recorded as sent.
  bool AsSent() const { return RecordsAsSent() && (packetsArrive_ || picturesFromSecondStream_); }
  // The template the camera's recordings are named by in its format.
  std::string PathTemplate(const CamSettings& settings) const;
  bool TakePath(const CamSettings& settings);
  // Claims the current path for this camera; false, with a status naming
  // the other camera, when that one records to it.
  bool ClaimPath();
  bool OpenRecording();
  bool OpenNumbered(const CamSettings& settings);
  void KeepBeforeMotion(const Picture& picture, const CamSettings& settings);
  // The picture as it is recorded: with the overlay burnt into a copy when
  // the settings want it on file.
  const Picture& WithOverlay(const Picture& picture, const CamSettings& settings);
  // Writes one encoded frame to the recording or the next numbered
  // picture; a short write is cut back so only whole frames remain.
  bool RecordEncoded(const std::vector<uint8_t>& jpeg, std::time_t captured, const CamSettings& settings);
  void CutBackFailedWrite(int64_t frameStart, const CamSettings& settings);
  void RunStorageLimits(const CamSettings& settings);
  void SetStatus(const char* text);

  Services services_;
  char currentPath_[kTextSize] = {};
  char statusText_[kTextSize] = {};
  ScopedKernelHandle recordFile_;
  uint32_t pictureNumber_ = 0;
  uint32_t saveCountdown_ = 0;
  int32_t motionLatch_ = 0;
  std::vector<uint8_t> encodeBuffer_;
  Picture burnt_;  // the last picture with its overlay burnt in, its buffer reused
  RecordingExtras extras_ = kDefaultRecordingExtras;
  PreMotionRing preMotion_;
  char numberedName_[kTextSize] = {};  // the numbered picture written last
  std::time_t lastLimitPass_ = 0;
  bool limitPassInThisFrame_ = false;
  bool limitsUnmet_ = false;
  bool recordedLast_ = false;
  std::string cameraName_;
  RecordingClaim claim_;
  Mp4Recorder mp4_;
  bool packetsArrive_ = false;
  bool picturesFromSecondStream_ = false;
  bool motionWanted_ = false;  // the last picture's motion turn, for the packets after it
};
