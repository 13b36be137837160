#include "player/mp4_copy_win.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <ctime>

#include "common/ffmpeg_owners_win.h"
#include "common/scoped_handle_win.h"

namespace {

// For the index's small writes: packets bypass the buffer.
constexpr int kIoBufferSize = 1 << 16;
constexpr char kIsoUtcFormat[] = "%Y-%m-%dT%H:%M:%SZ";

// FFmpeg 5.1 declares the buffer writable.
int WriteToFile(void* file, uint8_t* buffer, int size) {
  DWORD written = 0;
  if (!WriteFile(static_cast<HANDLE>(file), buffer, static_cast<DWORD>(size), &written, nullptr) ||
      written != static_cast<DWORD>(size))
    return AVERROR(EIO);
  return size;
}

int64_t SeekInFile(void* file, int64_t offset, int whence) {
  LARGE_INTEGER to{}, now{};
  if ((whence & ~AVSEEK_FORCE) == AVSEEK_SIZE)
    return GetFileSizeEx(static_cast<HANDLE>(file), &now) ? now.QuadPart : -1;
  const DWORD method = whence == SEEK_CUR ? FILE_CURRENT : whence == SEEK_END ? FILE_END : FILE_BEGIN;
  to.QuadPart = offset;
  return SetFilePointerEx(static_cast<HANDLE>(file), to, &now, method) ? now.QuadPart : -1;
}

// How much of the video a span holds, in seconds, for the progress.
double SpanSeconds(const PacketSpan& span) {
  const int64_t end = std::min(span.toDecodeTime, span.input->LastDecodeTime() + 1);
  return std::max<double>(static_cast<double>(end - span.fromDecodeTime), 0.0) * av_q2d(span.input->Video()->time_base);
}

bool HasReferences(const PacketSpan& span) {
  return span.references && !span.references->empty();
}

// One packet copy after another, with the progress told and the capture
// times carried over.
class SpanCopier {
 public:
  SpanCopier(AVFormatContext* output, AVPacket* packet, const std::vector<PacketSpan>& spans,
             const CopyProgress& progress)
      : output_(output), packet_(packet), progress_(progress) {
    for (const PacketSpan& span : spans) totalSeconds_ += SpanSeconds(span);
  }

  // "" when copied. A packet the file does not hold whole ends the span.
  std::string Copy(const PacketSpan& span);
  const std::vector<ReferenceTime>& References() const { return references_; }

 private:
  // The span's first frame is shown at next_ in the output, its references
  // follow it.
  void CarryReferences(const PacketSpan& span, int64_t firstTime, int64_t shift);

  AVFormatContext* output_;
  AVPacket* packet_;
  const CopyProgress& progress_;
  double totalSeconds_ = 0.0;
  double doneSeconds_ = 0.0;
  int64_t next_ = 0;  // where the next span starts, in the output's time base
  std::vector<ReferenceTime> references_;
};

std::string SpanCopier::Copy(const PacketSpan& span) {
  AVFormatContext* input = span.input->Format();
  const int video = span.input->VideoIndex();
  const AVRational from = span.input->Video()->time_base;
  const AVRational to = output_->streams[0]->time_base;
  if (av_seek_frame(input, video, span.fromDecodeTime, AVSEEK_FLAG_BACKWARD) < 0) return "File write failed";
  bool first = true;
  int64_t shift = 0;
  int64_t end = next_;
  AVPacket* packet = packet_;
  while (av_read_frame(input, packet) >= 0) {
    const bool ours = packet->stream_index == video && packet->dts != AV_NOPTS_VALUE && packet->pts != AV_NOPTS_VALUE;
    if (ours && (packet->dts >= span.toDecodeTime || (packet->flags & AV_PKT_FLAG_CORRUPT))) {
      av_packet_unref(packet);
      break;
    }
    if (!ours || packet->dts < span.fromDecodeTime) {
      av_packet_unref(packet);
      continue;
    }
    const double seconds = static_cast<double>(packet->dts - span.fromDecodeTime) * av_q2d(from);
    const int64_t sourceTime = packet->pts;
    av_packet_rescale_ts(packet, from, to);
    if (first) {
      shift = next_ - packet->pts;
      CarryReferences(span, sourceTime, shift);
    }
    first = false;
    packet->pts += shift;
    packet->dts += shift;
    end = std::max(end, packet->pts + packet->duration);
    packet->stream_index = 0;
    packet->pos = -1;
    const int written = av_write_frame(output_, packet);
    av_packet_unref(packet);
    if (written < 0) return "File write failed";
    if (progress_ && !progress_(totalSeconds_ > 0.0 ? (doneSeconds_ + seconds) / totalSeconds_ : 0.0))
      return kCopyStopped;
  }
  next_ = end;
  doneSeconds_ += SpanSeconds(span);
  return first ? "File write failed" : "";
}

void SpanCopier::CarryReferences(const PacketSpan& span, int64_t firstTime, int64_t shift) {
  if (!HasReferences(span)) return;
  const AVRational from = span.input->Video()->time_base;
  const AVRational to = output_->streams[0]->time_base;
  const int64_t timescale = from.den / from.num;
  const int64_t outputStart = av_rescale_q(firstTime, from, to) + shift;
  if (const std::optional<double> wallClock = WallClockAt(*span.references, firstTime, timescale))
    references_.push_back({outputStart, *wallClock});
  const int64_t last = std::min(span.toDecodeTime, span.input->LastDecodeTime() + 1);
  for (const ReferenceTime& reference : *span.references)
    if (reference.mediaTime > firstTime && reference.mediaTime < last)
      references_.push_back({av_rescale_q(reference.mediaTime, from, to) + shift, reference.unixSeconds});
}

// The first span's creation time, moved to where its first frame lies.
void SetCreationTime(AVFormatContext* output, const PacketSpan& first) {
  const std::optional<int64_t> created = first.input->CreationTime();
  if (!created) return;
  const double offset = static_cast<double>(first.fromDecodeTime - first.input->FirstDecodeTime()) *
                        av_q2d(first.input->Video()->time_base);
  const auto seconds = static_cast<time_t>(static_cast<double>(*created) / 1e6 + offset);
  const tm* utc = std::gmtime(&seconds);
  char text[32];
  if (utc && std::strftime(text, sizeof text, kIsoUtcFormat, utc) > 0)
    av_dict_set(&output->metadata, "creation_time", text, 0);
}

// The reference times as prft boxes behind everything the writer wrote.
bool AppendReferences(HANDLE file, const std::vector<ReferenceTime>& references, uint32_t trackId) {
  std::vector<uint8_t> boxes;
  for (const ReferenceTime& reference : references) {
    const std::vector<uint8_t> box = ReferenceTimeBox(reference, trackId);
    boxes.insert(boxes.end(), box.begin(), box.end());
  }
  LARGE_INTEGER zero{};
  DWORD written = 0;
  return boxes.empty() || (SetFilePointerEx(file, zero, nullptr, FILE_END) &&
                           WriteFile(file, boxes.data(), static_cast<DWORD>(boxes.size()), &written, nullptr) &&
                           written == boxes.size());
}

}  // namespace

bool SameVideo(const Mp4Input& a, const Mp4Input& b) {
  const AVCodecParameters& x = *a.Video()->codecpar;
  const AVCodecParameters& y = *b.Video()->codecpar;
  // Packets name their parameter sets, which the file keeps once for all.
  return x.codec_id == y.codec_id && x.width == y.width && x.height == y.height &&
         x.extradata_size == y.extradata_size &&
         (x.extradata_size == 0 || std::memcmp(x.extradata, y.extradata, static_cast<size_t>(x.extradata_size)) == 0);
}

std::string WritePacketSpans(const std::vector<PacketSpan>& spans, const std::string& path,
                             const CopyProgress& progress) {
  if (spans.empty()) return "nothing to write";
  ScopedKernelHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return "Could not create the output file";
  const bool referenced = std::all_of(spans.begin(), spans.end(), HasReferences);
  std::string why;
  {
    AVFormatContext* allocated = nullptr;
    avformat_alloc_output_context2(&allocated, nullptr, "mp4", nullptr);
    ScopedOutputContext output(allocated);
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
    ScopedIoContext io(
        buffer ? avio_alloc_context(buffer, kIoBufferSize, 1, file.Get(), nullptr, &WriteToFile, &SeekInFile)
               : nullptr);
    if (!io && buffer) av_free(buffer);
    ScopedPacket packet(av_packet_alloc());
    AVStream* stream = output ? avformat_new_stream(output.Get(), nullptr) : nullptr;
    if (!io || !packet || !stream ||
        avcodec_parameters_copy(stream->codecpar, spans.front().input->Video()->codecpar) < 0) {
      why = "out of memory";
    } else {
      stream->time_base = spans.front().input->Video()->time_base;
      // Packets go to the file as they come, without a copy through the
      // buffer; the index's small writes are still gathered in it.
      io.Get()->direct = 1;
      output.Get()->pb = io.Get();
      output.Get()->flags |= AVFMT_FLAG_CUSTOM_IO;
      if (!referenced) SetCreationTime(output.Get(), spans.front());
      if (avformat_write_header(output.Get(), nullptr) < 0) why = "the MP4 writer does not start";
      SpanCopier copier(output.Get(), packet.Get(), spans, progress);
      for (const PacketSpan& span : spans)
        if (why.empty()) why = copier.Copy(span);
      if (why.empty() && (av_write_trailer(output.Get()) < 0 || io.Get()->error < 0)) why = "File write failed";
      if (why.empty()) avio_flush(io.Get());
      // The writer numbers its one track 1.
      if (why.empty() && referenced && !AppendReferences(file.Get(), copier.References(), 1)) why = "File write failed";
    }
  }
  if (why.empty()) return "";
  file.Reset();
  DeleteFileA(path.c_str());
  return why;
}
