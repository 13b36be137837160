#pragma once
// The one open recording of the player and the current position in it.
//
// No frame index is kept: frames are found on demand by scanning one read
// window (15 times the first frame's size, doubled whenever a frame does
// not fit it, up to kMaxGrownReadWindow) forward or backward from the
// position, so opening costs one scan of at most 10 MiB whatever the
// recording's length, and a recording the camera program is still writing
// is followed (the size is taken again at every forward read).
//
// Contract for the player window and the long operations:
// - A returned frame points into the reader's buffer and stays valid only
//   until the next read, Open or Close.
// - After a successful read the current frame occupies
//   [Position() - FrameSize(), Position()).
// - The selection is [SelectionStart(), SelectionEnd()); it exists only when
//   start < end, and both 0 means none. The marks lie on frame boundaries.
// - OpState(): kIdle, kRunning while an edit or export runs (it sets and
//   clears it), kStopRequested after RequestAbort. While it is not idle,
//   ReadPrevious and SeekFraction refuse; ReadNext still works for the
//   export, which also moves the position with SetPosition and restores it.
// - Only the user interface thread uses the reader.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "player/frame_source.h"
#include "player/reader_host.h"
#include "player/recording_file.h"

struct RecordingFrame {
  const uint8_t* data;
  size_t size;
};

enum OpState : int32_t {
  kIdle = 0,
  kRunning = 1,
  kStopRequested = 3,
};

// The first complete frame must lie within this many bytes of the start.
inline constexpr int64_t kFirstFrameScanLimit = 10485760;
inline constexpr int64_t kReadWindowFrames = 15;
// The window grows no further for a frame that does not fit it: four
// times the largest picture a camera can send (kReceiveLimit).
inline constexpr int64_t kMaxGrownReadWindow = 100 << 20;

// The text after the last backslash, or the whole path when there is none
// or nothing follows it.
std::string DisplayName(const std::string& path);

class RecordingReader final : public FrameSource {
 public:
  explicit RecordingReader(ReaderHost& host) : host_(host) {}
  RecordingReader(const RecordingReader&) = delete;
  RecordingReader& operator=(const RecordingReader&) = delete;

  ReaderHost& Host() const { return host_; }

  bool IsOpen() const override { return file_ != nullptr; }
  bool IsBusy() const { return opState_ != kIdle; }
  void RequestAbort() { opState_ = kStopRequested; }
  int32_t GetOpState() const { return opState_; }
  void SetOpState(int32_t state) { opState_ = state; }

  // Opens a recording; without a path asks for one first (a cancelled
  // chooser leaves the current recording open and unchanged). Sets the
  // title "Framedeck - <name>", or "Framedeck" on failure after reporting
  // "Could not open file" or "Unable to open mjpg file". Afterwards the
  // position is 0 and no frame has been read.
  bool Open(std::optional<std::string> path = std::nullopt);
  // Closes the file and zeroes size, position and selection; the read
  // window, the current frame size and the buffer stay.
  void Close();

  // The next complete frame at or after the position. None at the end (the
  // position is then the file size), at a cut-off frame, and when no
  // complete frame lies within one window (the position then moves one
  // window on, so the next call resumes behind it). A frame that starts in
  // the window and ends beyond it grows the window first.
  std::optional<RecordingFrame> ReadNext();
  // The last complete frame ending before the current frame's start and
  // starting within one window. None on the first frame (which stays
  // current) and while an operation runs.
  std::optional<RecordingFrame> ReadPrevious();
  // The last complete frame ending at or before x of the file plus half the
  // current frame, else the first frame. x is clamped to [0, 1].
  std::optional<RecordingFrame> SeekFraction(double x);
  // (position - (atFrameStart ? frameSize : 0)) / fileSize; 0 for an empty
  // or closed file.
  long double PositionFraction(bool atFrameStart) const override;
  // ReadNext, ReadPrevious or SeekFraction, the frame decoded as a JPEG and
  // dated from its timestamp segment.
  FrameOutcome Show(FrameMove move, double fraction, ShownFrame& shown) override;
  const char* FormatName() const override { return "mjpg"; }

  void SetSelectionStart() { selectionStart_ = position_ - frameSize_; }
  void SetSelectionEnd() { selectionEnd_ = position_; }
  void ClearSelection() { selectionStart_ = selectionEnd_ = 0; }
  bool HasSelection() const { return selectionStart_ < selectionEnd_; }

  void ShowError(std::string_view text) { host_.ShowError(text); }
  std::string AskSaveFile(std::string_view defaultName, const char* filter, std::string_view extension) {
    return host_.AskSaveFile(defaultName, filter, extension);
  }
  std::string AskOpenFile(std::string_view defaultName, const char* filter, std::string_view extension) {
    return host_.AskOpenFile(defaultName, filter, extension);
  }

  int64_t FileSize() const override { return fileSize_; }
  int64_t Position() const { return position_; }
  int64_t FrameSize() const { return frameSize_; }
  int64_t SelectionStart() const { return selectionStart_; }
  int64_t SelectionEnd() const { return selectionEnd_; }
  // The open file, for the edits' byte copies; null when none is open.
  RecordingFile* File() const { return file_.get(); }

  // For the long operations, which move through the file and put the
  // position (and the current frame) back when they end.
  void SetPosition(int64_t position) { position_ = position; }
  void SetFrameSize(int64_t size) { frameSize_ = size; }

 private:
  bool FindFirstFrame();
  // Whether a start marker lies in the first `length` bytes of the buffer.
  bool StartsAFrame(size_t length) const;
  // Doubles the read window, up to kMaxGrownReadWindow; false when it
  // cannot grow.
  bool GrowWindow();

  ReaderHost& host_;
  std::unique_ptr<RecordingFile> file_;
  std::vector<uint8_t> readBuffer_;
  int64_t readWindowSize_ = 0;
  int64_t fileSize_ = 0;
  int64_t position_ = 0;
  int64_t frameSize_ = 0;
  int64_t selectionStart_ = 0;
  int64_t selectionEnd_ = 0;
  int32_t opState_ = kIdle;
};

// An edit or export running on the reader: marks it busy for the scope and
// puts its position, frame size and state back on every way out.
class ReaderOperation {
 public:
  explicit ReaderOperation(RecordingReader& reader)
      : reader_(reader), position_(reader.Position()), frameSize_(reader.FrameSize()) {
    reader_.SetOpState(kRunning);
  }
  ~ReaderOperation() {
    reader_.SetPosition(position_);
    reader_.SetFrameSize(frameSize_);
    reader_.SetOpState(kIdle);
  }
  ReaderOperation(const ReaderOperation&) = delete;
  ReaderOperation& operator=(const ReaderOperation&) = delete;

 private:
  RecordingReader& reader_;
  int64_t position_;
  int64_t frameSize_;
};
