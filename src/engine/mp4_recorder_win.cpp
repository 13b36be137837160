#include "engine/mp4_recorder_win.h"

#include <windows.h>

#include "common/codec_label_win.h"
#include "engine/save_path.h"

namespace {

// Packets kept from before motion at most: minutes of a camera's stream.
constexpr size_t kMaxKeptBytes = 64u << 20;

// The bit rate shown is measured over this long.
constexpr int64_t kRateWindowUs = 2'000'000;

// Names tried after the template's own when earlier runs left files.
constexpr uint32_t kMaxNameNumber = 999;

std::optional<int64_t> Stamp(int64_t value) {
  return value == AV_NOPTS_VALUE ? std::nullopt : std::optional(value);
}

bool FileExists(const char* path) {
  return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

Mp4Recorder::Mp4Recorder(Mp4Writer::SinkFactory openSink) : writer_(std::move(openSink)) {}

void Mp4Recorder::NoteArrival(const StreamPacket& packet) {
  if (packet.keyFrame || !lastKeyFrameUs_) lastKeyFrameUs_ = packet.arrivalUs;
  keyFramesMissing_ = packet.arrivalUs - *lastKeyFrameUs_ > kMaxRecordingGapUs;
}

void Mp4Recorder::Keep(const SharedPacket& packet, int64_t spanUs) {
  NoteArrival(*packet);
  // A recording must start with a picture that decodes on its own.
  if (kept_.empty() && !packet->keyFrame) return;
  kept_.push_back(packet);
  keptBytes_ += static_cast<size_t>(packet->packet.Get()->size);
  // The oldest group of pictures goes once the next one starts early
  // enough on its own, or when the packets outgrow their memory.
  for (;;) {
    size_t next = 1;
    while (next < kept_.size() && !kept_[next]->keyFrame) ++next;
    if (next == kept_.size()) break;
    const bool earlyEnough = kept_[next]->arrivalUs <= packet->arrivalUs - spanUs;
    if (!earlyEnough && keptBytes_ <= kMaxKeptBytes) break;
    for (size_t i = 0; i < next; ++i) {
      keptBytes_ -= static_cast<size_t>(kept_.front()->packet.Get()->size);
      kept_.pop_front();
    }
  }
}

Mp4Recorder::Result Mp4Recorder::Record(const SharedPacket& packet, const char* path) {
  NoteArrival(*packet);
  while (!kept_.empty()) {
    const SharedPacket earlier = std::move(kept_.front());
    kept_.pop_front();
    keptBytes_ -= static_cast<size_t>(earlier->packet.Get()->size);
    const Result result = RecordOne(*earlier, path);
    if (result == Result::kOpenFailed || result == Result::kWriteFailed) {
      ForgetKept();
      return result;
    }
  }
  return RecordOne(*packet, path);
}

Mp4Recorder::Result Mp4Recorder::RecordOne(const StreamPacket& packet, const char* path) {
  const PacketFacts facts{packet.keyFrame, path, packet.format->key, packet.arrivalUs};
  switch (PlacePacket(writer_.IsOpen() ? &open_ : nullptr, facts)) {
    case PacketPlace::kDrop:
      return Result::kWaitingForKeyFrame;
    case PacketPlace::kNewFile:
      if (!OpenFile(packet, path)) return Result::kOpenFailed;
      break;
    case PacketPlace::kAppend:
      break;
  }
  const AVPacket& data = *packet.packet.Get();
  const RecordingTimeline::Stamps stamps = timeline_.Next(Stamp(data.dts), Stamp(data.pts), packet.arrivalUs);
  if (!writer_.Write(data, stamps.dts, stamps.pts, packet.wallClockUs)) {
    filePath_.clear();
    return Result::kWriteFailed;
  }
  open_.lastArrivalUs = packet.arrivalUs;
  CountBytes(packet);
  return Result::kRecorded;
}

bool Mp4Recorder::OpenFile(const StreamPacket& packet, const char* path) {
  Close();
  char name[kTextSize];
  CopyText(name, path);
  for (uint32_t number = 2; FileExists(name); ++number)
    if (number > kMaxNameNumber || NumberedName(path, number, name) != NumberedNameResult::kOk) return false;
  const StreamFormat& format = *packet.format;
  if (!writer_.Open(name, *format.parameters.Get(), format.timeBase)) return false;
  filePath_ = name;
  open_ = OpenFileFacts{path, format.key, packet.arrivalUs};
  timeline_ = RecordingTimeline(format.timeBase.num > 0 ? format.timeBase.den / format.timeBase.num : 90000);
  return true;
}

bool Mp4Recorder::Close() {
  filePath_.clear();
  statusFormat_ = nullptr;
  return writer_.Close();
}

void Mp4Recorder::CountBytes(const StreamPacket& packet) {
  const AVCodecParameters& parameters = *packet.format->parameters.Get();
  if (statusFormat_ != packet.format.get()) {
    statusFormat_ = packet.format.get();
    rateStartUs_ = packet.arrivalUs;
    rateBytes_ = 0;
    FormatText(status_, sizeof status_, "Recording %s as sent, %dx%d", CodecLabel(parameters.codec_id),
               parameters.width, parameters.height);
  }
  rateBytes_ += packet.packet.Get()->size;
  const int64_t elapsedUs = packet.arrivalUs - rateStartUs_;
  if (elapsedUs < kRateWindowUs) return;
  const double megabits = static_cast<double>(rateBytes_) * 8.0 / static_cast<double>(elapsedUs);
  FormatText(status_, sizeof status_, "Recording %s as sent, %dx%d, %.1f Mbit/s", CodecLabel(parameters.codec_id),
             parameters.width, parameters.height, megabits);
  rateStartUs_ = packet.arrivalUs;
  rateBytes_ = 0;
}
