#include "player/mp4_reader_win.h"

#include <algorithm>

#include "common/picture_limit.h"
#include "player/player_text.h"
#include "player/recording_reader.h"

namespace {

constexpr uint32_t kLongestRecordedDelayMs = 10000;
constexpr char kUnableToOpen[] = "Unable to open mp4 file: ";

}  // namespace

bool Mp4Reader::Open(const std::string& path) {
  Close();
  std::unique_ptr<RecordingFile> file = host_.OpenRecording(path);
  if (!file) {
    host_.ShowError("Could not open file");
    host_.SetTitle("Framedeck");
    return false;
  }
  const std::string why = OpenStreams(std::move(file));
  if (!why.empty()) {
    Close();
    host_.ShowError(kUnableToOpen + why);
    host_.SetTitle("Framedeck");
    return false;
  }
  path_ = path;
  host_.SetTitle("Framedeck - " + DisplayName(path));
  return true;
}

void Mp4Reader::Close() {
  pending_.Reset();
  shownFrame_.Reset();
  packet_.Reset();
  decoder_.Reset();
  input_.Close();
  references_.clear();
  keyTimes_.clear();
  decodeTimes_.clear();
  path_.clear();
  creationMicroseconds_ = 0;
  hasShown_ = hasPending_ = draining_ = false;
  presentationDelay_ = 0;
  ClearSelection();
}

std::string Mp4Reader::OpenStreams(std::unique_ptr<RecordingFile> file) {
  if (file->Size() > 0) references_ = ReadReferenceTimes(*file);
  std::string why = input_.Open(std::move(file));
  if (!why.empty()) return why;
  streamIndex_ = input_.VideoIndex();
  const AVStream* video = input_.Video();
  const AVCodecParameters& parameters = *video->codecpar;
  const AVCodec* codec = avcodec_find_decoder(parameters.codec_id);
  if (!codec) return "the video decoder is missing";
  timeBase_ = video->time_base;
  if (!ReadIndex()) return "it holds no complete frame";

  decoder_.Reset(avcodec_alloc_context3(codec));
  if (!decoder_ || avcodec_parameters_to_context(decoder_.Get(), &parameters) < 0) return "out of memory";
  decoder_.Get()->thread_count = 1;
  // Behind the check of the index's size, in case a frame's own differs.
  decoder_.Get()->max_pixels = kMaxCameraPixels;
  if (avcodec_open2(decoder_.Get(), codec, nullptr) < 0) return "the video decoder does not start";
  packet_.Reset(av_packet_alloc());
  shownFrame_.Reset(av_frame_alloc());
  pending_.Reset(av_frame_alloc());
  if (!packet_ || !shownFrame_ || !pending_) return "out of memory";
  if (!ReadPresentationDelay()) return "its first frame cannot be found";

  creationMicroseconds_ = input_.CreationTime().value_or(0);
  return "";
}

// The demuxer's index of the video stream, up to the first frame that the
// file does not hold whole (a fragment cut short).
bool Mp4Reader::ReadIndex() {
  AVStream* video = input_.Video();
  const int count = avformat_index_get_entries_count(video);
  for (int i = 0; i < count; ++i) {
    const AVIndexEntry* entry = avformat_index_get_entry(video, i);
    if (!entry || (entry->flags & AVINDEX_DISCARD_FRAME)) continue;
    if (entry->pos < 0 || entry->pos + entry->size > input_.FileSize()) break;
    if (decodeTimes_.empty()) firstTime_ = entry->timestamp;
    lastDecodeTime_ = entry->timestamp;
    decodeTimes_.push_back(entry->timestamp);
    if (entry->flags & AVINDEX_KEYFRAME) keyTimes_.push_back(entry->timestamp);
  }
  if (decodeTimes_.empty() || keyTimes_.empty()) return false;
  std::sort(keyTimes_.begin(), keyTimes_.end());
  std::sort(decodeTimes_.begin(), decodeTimes_.end());
  lastTime_ = lastDecodeTime_;
  const int64_t gaps = std::max<int64_t>(FrameCount() - 1, 1);
  frameTime_ = std::max<int64_t>((lastTime_ - firstTime_) / gaps, 1);
  return true;
}

// Reordered frames are shown a fixed time after they are decoded: the
// first packet says how long, and the index's times move by it.
bool Mp4Reader::ReadPresentationDelay() {
  AVPacket* packet = packet_.Get();
  while (av_read_frame(input_.Format(), packet) >= 0) {
    const bool ours = packet->stream_index == streamIndex_;
    if (ours && packet->pts != AV_NOPTS_VALUE && packet->dts != AV_NOPTS_VALUE)
      presentationDelay_ = packet->pts - packet->dts;
    av_packet_unref(packet);
    if (ours) break;
  }
  firstTime_ += presentationDelay_;
  lastTime_ += presentationDelay_;
  for (int64_t& key : keyTimes_) key += presentationDelay_;
  return SeekToKey(keyTimes_.front());
}

int64_t Mp4Reader::TimeOf(const AVFrame& frame) {
  if (frame.best_effort_timestamp != AV_NOPTS_VALUE) return frame.best_effort_timestamp;
  return frame.pts != AV_NOPTS_VALUE ? frame.pts : frame.pkt_dts;
}

bool Mp4Reader::DecodeNext(AVFrame* frame) {
  AVCodecContext* decoder = decoder_.Get();
  for (;;) {
    const int received = avcodec_receive_frame(decoder, frame);
    if (received == 0) return true;
    if (received == AVERROR_EOF || draining_) return false;
    AVPacket* packet = packet_.Get();
    const int read = av_read_frame(input_.Format(), packet);
    // The end, a read error and frames beyond the last whole one end the
    // stream: what was sent is drained.
    if (read < 0 ||
        (packet->stream_index == streamIndex_ && packet->dts != AV_NOPTS_VALUE && packet->dts > lastDecodeTime_)) {
      if (read >= 0) av_packet_unref(packet);
      avcodec_send_packet(decoder, nullptr);
      draining_ = true;
      continue;
    }
    // A damaged packet is left out; the decoder conceals what follows.
    if (packet->stream_index == streamIndex_) avcodec_send_packet(decoder, packet);
    av_packet_unref(packet);
  }
}

int64_t Mp4Reader::KeyAtOrBefore(int64_t time) const {
  auto after = std::upper_bound(keyTimes_.begin(), keyTimes_.end(), time);
  return after == keyTimes_.begin() ? keyTimes_.front() : *(after - 1);
}

bool Mp4Reader::SeekToKey(int64_t keyTime) {
  hasPending_ = false;
  draining_ = false;
  avcodec_flush_buffers(decoder_.Get());
  return av_seek_frame(input_.Format(), streamIndex_, keyTime - presentationDelay_, AVSEEK_FLAG_BACKWARD) >= 0;
}

FrameOutcome Mp4Reader::Show(FrameMove move, double fraction, ShownFrame& shown) {
  if (!IsOpen()) return FrameOutcome::kNoFrame;
  switch (move) {
    case FrameMove::kNext:
      return ShowNext(shown);
    case FrameMove::kPrevious:
      return ShowPrevious(shown);
    case FrameMove::kAtFraction:
      break;
  }
  if (!(fraction >= 0.0)) fraction = 0.0;  // also NaN
  if (fraction > 1.0) fraction = 1.0;
  return ShowAtTime(firstTime_ + static_cast<int64_t>(fraction * static_cast<double>(lastTime_ - firstTime_) + 0.5),
                    shown);
}

FrameOutcome Mp4Reader::ShowNext(ShownFrame& shown) {
  if (hasPending_) {
    hasPending_ = false;
    return Present(pending_.Get(), shown);
  }
  if (!DecodeNext(pending_.Get())) return FrameOutcome::kNoFrame;
  return Present(pending_.Get(), shown);
}

// Decodes from the key frame before the shown one up to it, keeping the
// last frame in front of it; the shown one stays decoded ahead, so the step
// forward again costs nothing. When reordered frames put nothing in front
// of it from that key frame, from the one before.
FrameOutcome Mp4Reader::ShowPrevious(ShownFrame& shown) {
  if (!hasShown_) return FrameOutcome::kNoFrame;
  const int64_t target = shownTime_;
  ScopedFrame before(av_frame_alloc());
  if (!before) return FrameOutcome::kNoFrame;
  auto key = std::lower_bound(keyTimes_.begin(), keyTimes_.end(), target);
  while (key != keyTimes_.begin()) {
    --key;
    if (!SeekToKey(*key)) break;
    bool found = false;
    while (DecodeNext(pending_.Get())) {
      if (TimeOf(*pending_.Get()) >= target) {
        hasPending_ = true;
        break;
      }
      av_frame_unref(before.Get());
      av_frame_move_ref(before.Get(), pending_.Get());
      found = true;
    }
    if (found) return Present(before.Get(), shown);
  }
  // The shown frame is the first: it stays, and what follows it is decoded
  // ahead again.
  if (SeekToKey(KeyAtOrBefore(target)))
    while (DecodeNext(pending_.Get())) {
      if (TimeOf(*pending_.Get()) > target) {
        hasPending_ = true;
        break;
      }
      av_frame_unref(pending_.Get());
    }
  return FrameOutcome::kNoFrame;
}

FrameOutcome Mp4Reader::ShowAtTime(int64_t target, ShownFrame& shown) {
  if (!IsOpen()) return FrameOutcome::kNoFrame;
  if (!SeekToKey(KeyAtOrBefore(target))) return FrameOutcome::kNoFrame;
  ScopedFrame best(av_frame_alloc());
  if (!best) return FrameOutcome::kNoFrame;
  bool found = false;
  while (DecodeNext(pending_.Get())) {
    if (found && TimeOf(*pending_.Get()) > target) {
      hasPending_ = true;
      break;
    }
    av_frame_unref(best.Get());
    av_frame_move_ref(best.Get(), pending_.Get());
    found = true;
  }
  return found ? Present(best.Get(), shown) : FrameOutcome::kNoFrame;
}

FrameOutcome Mp4Reader::Present(AVFrame* frame, ShownFrame& shown) {
  av_frame_unref(shownFrame_.Get());
  av_frame_move_ref(shownFrame_.Get(), frame);
  const AVFrame& decoded = *shownFrame_.Get();
  shownTime_ = TimeOf(decoded);
  hasShown_ = true;
  if ((decoded.flags & AV_FRAME_FLAG_CORRUPT) != 0 || decoded.decode_error_flags != 0 ||
      !converter_.Convert(decoded, shown.picture))
    return FrameOutcome::kUndecodable;
  shown.date = DateText(shownTime_);
  return FrameOutcome::kShown;
}

bool Mp4Reader::ShownPicture(Picture& picture) {
  return hasShown_ && converter_.Convert(*shownFrame_.Get(), picture);
}

// A frame is shown a fixed time after it is decoded, so the count of
// decoding times up to that point numbers it.
int64_t Mp4Reader::ShownNumber() const {
  if (!hasShown_) return 0;
  return std::upper_bound(decodeTimes_.begin(), decodeTimes_.end(), shownTime_ - presentationDelay_) -
         decodeTimes_.begin();
}

std::string Mp4Reader::DateText(int64_t time) const {
  const int64_t timescale = timeBase_.den / timeBase_.num;
  if (const std::optional<double> wallClock = WallClockAt(references_, time, timescale))
    return FormatFrameDate(static_cast<std::time_t>(*wallClock)).value_or("");
  if (creationMicroseconds_ == 0) return "not recorded in the file";
  const double seconds =
      static_cast<double>(creationMicroseconds_) / 1e6 + static_cast<double>(time) * av_q2d(timeBase_);
  const std::optional<std::string> date = FormatFrameDate(static_cast<std::time_t>(seconds));
  return date ? *date + " (file creation time + time stamp)" : "";
}

long double Mp4Reader::PositionFraction(bool) const {
  if (!hasShown_ || lastTime_ <= firstTime_) return 0.0L;
  const long double at = static_cast<long double>(shownTime_ - firstTime_) / (lastTime_ - firstTime_);
  return std::clamp(at, 0.0L, 1.0L);
}

std::optional<uint32_t> Mp4Reader::RecordedDelayMs() {
  if (!hasShown_) return std::nullopt;
  if (!hasPending_) hasPending_ = DecodeNext(pending_.Get());
  const int64_t step = hasPending_ ? TimeOf(*pending_.Get()) - shownTime_ : frameTime_;
  const double ms = static_cast<double>(step) * av_q2d(timeBase_) * 1000.0;
  return static_cast<uint32_t>(std::clamp(ms, 1.0, static_cast<double>(kLongestRecordedDelayMs)));
}

void Mp4Reader::SetSelectionStart() {
  selectionStart_ = shownTime_;
  hasStart_ = hasShown_;
}

void Mp4Reader::SetSelectionEnd() {
  selectionEnd_ = shownTime_;
  hasEnd_ = hasShown_;
}

std::optional<Mp4Reader::Widened> Mp4Reader::WidenedSelection() const {
  if (!HasSelection()) return std::nullopt;
  const int64_t from = KeyAtOrBefore(selectionStart_);
  auto after = std::upper_bound(keyTimes_.begin(), keyTimes_.end(), selectionEnd_);
  const bool toEnd = after == keyTimes_.end();
  const int64_t to = toEnd ? lastTime_ + frameTime_ : *after;
  const long double range = static_cast<long double>(std::max<int64_t>(lastTime_ - firstTime_, 1));
  const double seconds = av_q2d(timeBase_);
  return Widened{from - presentationDelay_,
                 toEnd ? INT64_MAX : to - presentationDelay_,
                 std::clamp((from - firstTime_) / range, 0.0L, 1.0L),
                 std::clamp((to - firstTime_) / range, 0.0L, 1.0L),
                 static_cast<double>(from - firstTime_) * seconds,
                 static_cast<double>(to - firstTime_) * seconds};
}
