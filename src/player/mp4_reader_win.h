#pragma once
// An MP4 recording (H.264 or H.265, fragmented or not) shown through
// FFmpeg's demuxer and decoders.
//
// Opening reads the index only: the demuxer walks the top-level boxes
// (moov and every fragment's moof, seeking over the media data) and our own
// walk picks up the producer reference times; nothing is decoded until a
// frame is shown. Frames from a fragment cut short are left out of the
// index. Stepping forward decodes one frame; stepping back and seeking
// decode from the key frame before the target, at most a group of pictures
// (two when reordered frames start a group).
//
// Only the user interface thread uses it.

#include <memory>
#include <string>
#include <vector>

#include "common/ffmpeg_owners_win.h"
#include "common/ffmpeg_picture_win.h"
#include "player/frame_source.h"
#include "player/mp4_input_win.h"
#include "player/mp4_reference_times.h"
#include "player/reader_host.h"

class Mp4Reader final : public FrameSource {
 public:
  explicit Mp4Reader(ReaderHost& host) : host_(host) {}
  Mp4Reader(const Mp4Reader&) = delete;
  Mp4Reader& operator=(const Mp4Reader&) = delete;

  // Sets the title "Framedeck - <name>", or "Framedeck" after reporting
  // "Could not open file" or "Unable to open mp4 file: <why>". No frame is
  // shown yet.
  bool Open(const std::string& path);
  void Close();

  bool IsOpen() const override { return input_.IsOpen(); }
  int64_t FileSize() const override { return input_.FileSize(); }
  FrameOutcome Show(FrameMove move, double fraction, ShownFrame& shown) override;
  long double PositionFraction(bool atFrameStart) const override;
  std::optional<uint32_t> RecordedDelayMs() override;
  const char* FormatName() const override { return "mp4"; }

  // The shown frame again, for "Save frame"; false when none is shown or it
  // does not convert.
  bool ShownPicture(Picture& picture);
  // The frame at presentation time `time` (the last one at or before it,
  // else the first), for the AVI export and to come back after it.
  FrameOutcome ShowAtTime(int64_t time, ShownFrame& shown);
  int64_t ShownTime() const { return shownTime_; }
  // Frames in the index, and the shown one's number counted from 1 (0 when
  // none is shown).
  int64_t FrameCount() const { return static_cast<int64_t>(decodeTimes_.size()); }
  int64_t ShownNumber() const;

  // The selection marks the shown frames; cuts widen it to whole groups of
  // pictures, from the key frame at or before its start up to the key frame
  // after its end (or the end of the file).
  void SetSelectionStart();
  void SetSelectionEnd();
  void ClearSelection() { hasStart_ = hasEnd_ = false; }
  bool HasSelection() const { return hasStart_ && hasEnd_ && selectionStart_ <= selectionEnd_; }
  // The marked frames' presentation times (not widened: the AVI export
  // decodes them).
  int64_t SelectionStartTime() const { return selectionStart_; }
  int64_t SelectionEndTime() const { return selectionEnd_; }
  struct Widened {
    int64_t fromDecodeTime;                // of the first packet kept
    int64_t toDecodeTime;                  // of the first packet after, INT64_MAX for the end
    long double fromFraction, toFraction;  // where they lie, for the timeline
    double fromSeconds, toSeconds;         // from the first frame
  };
  std::optional<Widened> WidenedSelection() const;
  const std::string& Path() const { return path_; }
  void* NativeHandle() const { return IsOpen() ? input_.File().NativeHandle() : nullptr; }
  ReaderHost& Host() const { return host_; }

 private:
  // "" when opened, else why not.
  std::string OpenStreams(std::unique_ptr<RecordingFile> file);
  bool ReadIndex();
  bool ReadPresentationDelay();
  // The next frame in presentation order into frame; false at the end.
  bool DecodeNext(AVFrame* frame);
  // The last key frame at or before time, else the first.
  int64_t KeyAtOrBefore(int64_t time) const;
  // Repositions the demuxer at a key frame and empties the decoder.
  bool SeekToKey(int64_t keyTime);
  FrameOutcome ShowNext(ShownFrame& shown);
  FrameOutcome ShowPrevious(ShownFrame& shown);
  // Makes `frame` the shown one.
  FrameOutcome Present(AVFrame* frame, ShownFrame& shown);
  std::string DateText(int64_t time) const;
  static int64_t TimeOf(const AVFrame& frame);

  ReaderHost& host_;
  std::string path_;
  std::vector<ReferenceTime> references_;
  int64_t creationMicroseconds_ = 0;  // 0: none
  Mp4Input input_;
  ScopedCodecContext decoder_;
  ScopedPacket packet_;
  ScopedFrame shownFrame_;
  ScopedFrame pending_;  // decoded ahead of the shown frame
  PictureConverter converter_;
  int streamIndex_ = -1;
  AVRational timeBase_{1, 1};
  // Times are presentation times, but for lastDecodeTime_.
  std::vector<int64_t> keyTimes_;     // of the key frames, ascending
  std::vector<int64_t> decodeTimes_;  // of every frame, ascending
  int64_t presentationDelay_ = 0;
  int64_t firstTime_ = 0;
  int64_t lastTime_ = 0;  // of the last complete frame
  int64_t lastDecodeTime_ = 0;
  int64_t frameTime_ = 1;  // the mean frame duration
  int64_t shownTime_ = 0;
  bool hasShown_ = false;
  bool hasPending_ = false;
  bool draining_ = false;
  int64_t selectionStart_ = 0;
  int64_t selectionEnd_ = 0;
  bool hasStart_ = false;
  bool hasEnd_ = false;
};
