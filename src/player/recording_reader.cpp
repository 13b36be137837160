#include "player/recording_reader.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "common/find_bytes.h"
#include "common/jpeg_codec.h"
#include "common/recording_format.h"
#include "player/player_text.h"

namespace {

constexpr size_t kScanPiece = 4095;
constexpr size_t kScanSlack = 8190;

bool IsPair(const uint8_t* at, uint8_t second) {
  return at[0] == 0xFF && at[1] == second;
}

}  // namespace

std::string DisplayName(const std::string& path) {
  const size_t slash = path.rfind('\\');
  if (slash == std::string::npos || slash + 1 == path.size()) return path;
  return path.substr(slash + 1);
}

bool RecordingReader::Open(std::optional<std::string> path) {
  if (!path) {
    std::string chosen = host_.AskOpenFile("", kRecordingFilter, kRecordingExtension);
    if (chosen.empty()) return false;
    path = std::move(chosen);
  }
  const std::string name = DisplayName(*path);
  Close();
  file_ = host_.OpenRecording(*path);
  if (!file_) {
    host_.ShowError("Could not open file");
    host_.SetTitle("Framedeck");
    return false;
  }
  host_.SetTitle("Framedeck - " + name);
  if (!FindFirstFrame()) {
    file_.reset();
    fileSize_ = 0;
    host_.ShowError("Unable to open mjpg file");
    host_.SetTitle("Framedeck");
    return false;
  }
  return true;
}

void RecordingReader::Close() {
  file_.reset();
  fileSize_ = 0;
  position_ = 0;
  selectionStart_ = 0;
  selectionEnd_ = 0;
}

// Reads the start of the file in pieces until the first complete frame;
// the scan buffer starts with one zero byte so the scan of each piece can
// begin one byte early and find a marker split between two pieces.
bool RecordingReader::FindFirstFrame() {
  position_ = 0;
  fileSize_ = file_->Size();
  if (fileSize_ <= 0) return false;
  const int64_t limit = std::min(fileSize_, kFirstFrameScanLimit);
  // Reserved, not filled: zeroing 10 MiB at every open would cost more
  // than the scan of a normal first frame.
  std::vector<uint8_t> scan;
  try {
    scan.reserve(static_cast<size_t>(limit) + kScanSlack);
    scan.assign(1, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  size_t filled = 1;
  int64_t total = 0;
  std::optional<size_t> start;
  std::optional<size_t> end;
  while (!end) {
    // Bytes past the limit are never looked at.
    const size_t piece = static_cast<size_t>(std::min<int64_t>(kScanPiece, limit - total));
    scan.resize(filled + piece);
    const size_t n = file_->ReadAt(total, scan.data() + filled, piece);
    if (n == 0) return false;
    scan.resize(filled + n);
    for (size_t i = filled - 1; i + 1 < filled + n; ++i) {
      if (IsPair(&scan[i], 0xD8)) {
        start = i;
      } else if (start && IsPair(&scan[i], 0xD9)) {
        end = i + 2;
        break;
      }
    }
    filled += n;
    total += static_cast<int64_t>(n);
    if (!end && total >= limit) return false;
  }
  const int64_t size = static_cast<int64_t>(*end - *start);
  try {
    std::vector<uint8_t> buffer(static_cast<size_t>(size * kReadWindowFrames));
    readBuffer_.swap(buffer);
  } catch (const std::bad_alloc&) {
    return false;
  }
  readWindowSize_ = size * kReadWindowFrames;
  return true;
}

std::optional<RecordingFrame> RecordingReader::ReadNext() {
  if (!file_) return std::nullopt;
  const int64_t size = file_->Size();
  if (size >= 0) fileSize_ = size;
  size_t n;
  std::optional<FrameSpan> span;
  do {
    n = file_->ReadAt(position_, readBuffer_.data(), readBuffer_.size());
    if (n == 0) {
      position_ = fileSize_;
      return std::nullopt;
    }
    span = FindNextFrame(readBuffer_.data(), n);
    // A frame that starts in a full window and goes on past it (a large
    // picture after a small first one) is read again in a larger window.
  } while (!span && n == readBuffer_.size() && StartsAFrame(n) && GrowWindow());
  if (!span) {
    position_ += static_cast<int64_t>(n);
    return std::nullopt;
  }
  frameSize_ = static_cast<int64_t>(span->Size());
  position_ += static_cast<int64_t>(span->end);
  return RecordingFrame{readBuffer_.data() + span->begin, span->Size()};
}

bool RecordingReader::StartsAFrame(size_t length) const {
  bool found = false;
  FindBytes(readBuffer_.data(), length, kStartOfImage, 2, found);
  return found;
}

bool RecordingReader::GrowWindow() {
  if (readWindowSize_ >= kMaxGrownReadWindow) return false;
  const int64_t grown = std::min(readWindowSize_ * 2, kMaxGrownReadWindow);
  try {
    readBuffer_.resize(static_cast<size_t>(grown));
  } catch (const std::bad_alloc&) {
    return false;
  }
  readWindowSize_ = grown;
  return true;
}

std::optional<RecordingFrame> RecordingReader::ReadPrevious() {
  if (opState_ != kIdle || !file_) return std::nullopt;
  const int64_t frameStart = std::max<int64_t>(position_ - frameSize_, 0);
  std::optional<size_t> end;
  std::optional<size_t> start;
  size_t n;
  for (;;) {
    const int64_t window = std::min(readWindowSize_, frameStart);
    position_ = frameStart - window;
    if (window == 0) {
      ReadNext();
      return std::nullopt;
    }
    n = file_->ReadAt(position_, readBuffer_.data(), static_cast<size_t>(window));
    position_ += static_cast<int64_t>(n);
    if (n < 2) return std::nullopt;
    end.reset();
    for (size_t k = n - 1; k >= 1; --k) {
      const uint8_t* pair = &readBuffer_[k - 1];
      if (IsPair(pair, 0xD9)) {
        end = k + 1;
      } else if (end && IsPair(pair, 0xD8)) {
        start = k - 1;
        break;
      }
    }
    if (start) break;
    // The frame before ends in the window but starts in front of it.
    if (!end || window < readWindowSize_ || !GrowWindow()) return std::nullopt;
  }
  frameSize_ = static_cast<int64_t>(*end - *start);
  position_ -= static_cast<int64_t>(n - *end);
  return RecordingFrame{readBuffer_.data() + *start, *end - *start};
}

std::optional<RecordingFrame> RecordingReader::SeekFraction(double x) {
  if (opState_ != kIdle || !file_) return std::nullopt;
  if (!(x >= 0.0)) x = 0.0;  // also NaN
  if (x > 1.0) x = 1.0;
  const double sum = x * static_cast<double>(fileSize_) + static_cast<double>(frameSize_ / 2);
  int64_t target = sum >= static_cast<double>(fileSize_) ? fileSize_ : static_cast<int64_t>(sum);
  if (target < 0) target = 0;
  position_ = target;
  frameSize_ = 0;
  if (std::optional<RecordingFrame> frame = ReadPrevious()) return frame;
  position_ = 0;
  return ReadNext();
}

long double RecordingReader::PositionFraction(bool atFrameStart) const {
  if (fileSize_ <= 0) return 0.0L;
  const int64_t at = position_ - (atFrameStart ? frameSize_ : 0);
  return static_cast<long double>(at) / static_cast<long double>(fileSize_);
}

FrameOutcome RecordingReader::Show(FrameMove move, double fraction, ShownFrame& shown) {
  std::optional<RecordingFrame> frame;
  switch (move) {
    case FrameMove::kNext:
      frame = ReadNext();
      break;
    case FrameMove::kPrevious:
      frame = ReadPrevious();
      break;
    case FrameMove::kAtFraction:
      frame = SeekFraction(fraction);
      break;
  }
  if (!frame) return FrameOutcome::kNoFrame;
  if (!DecodeJpeg(frame->data, frame->size, shown.picture)) return FrameOutcome::kUndecodable;
  shown.date = FrameDateText(frame->data, frame->size);
  return FrameOutcome::kShown;
}
