#include "engine/mp4_writer_win.h"

#include "common/file_sink_win.h"

extern "C" {
#include <libavutil/error.h>
}

namespace {

constexpr int kIoBufferSize = 64 * 1024;

}  // namespace

Mp4Writer::Mp4Writer()
    : openSink_([](HANDLE file) -> std::unique_ptr<ByteSink> { return std::make_unique<FileSink>(file); }) {}

bool Mp4Writer::Open(const char* path, const AVCodecParameters& video, AVRational timeBase) {
  Close();
  timeBase_ = timeBase;
  file_.Reset(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_) return false;
  sink_ = openSink_(file_.Get());
  written_ = 0;
  if (StartFile(video)) return true;
  // A file without its header would play as nothing at all.
  DropFile();
  DeleteFileA(path);
  return false;
}

bool Mp4Writer::StartFile(const AVCodecParameters& video) {
  // The header comes first and describes the stream once for all.
  if (video.extradata_size <= 0 || video.width <= 0 || video.height <= 0) return false;
  auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
  if (!buffer) return false;
  io_.Reset(avio_alloc_context(buffer, kIoBufferSize, 1, this, nullptr, &Mp4Writer::WriteBytes, nullptr));
  if (!io_) {
    av_free(buffer);
    return false;
  }
  AVFormatContext* output = nullptr;
  if (avformat_alloc_output_context2(&output, nullptr, "mp4", nullptr) < 0) return false;
  output_.Reset(output);
  output->pb = io_.Get();
  output->flags |= AVFMT_FLAG_CUSTOM_IO;
  // Each fragment reaches the file as soon as it is complete.
  output->flags |= AVFMT_FLAG_FLUSH_PACKETS;
  AVStream* stream = avformat_new_stream(output, nullptr);
  packet_.Reset(av_packet_alloc());
  if (!stream || !packet_ || avcodec_parameters_copy(stream->codecpar, &video) < 0) return false;
  // The muxer picks the tag MP4 wants; RTP's would not do.
  stream->codecpar->codec_tag = 0;
  stream->time_base = timeBase_;
  ScopedDictionary options;
  options.Set("movflags", "frag_keyframe+empty_moov+default_base_moof");
  // Each fragment's producer reference time comes from its first packet.
  options.Set("write_prft", "wallclock");
  if (avformat_write_header(output, options.Address()) < 0) return false;
  avio_flush(io_.Get());
  wholeWritten_ = written_;
  return io_.Get()->error >= 0;
}

bool Mp4Writer::Write(const AVPacket& packet, int64_t dts, int64_t pts, int64_t wallClockUs) {
  if (!output_ || av_packet_ref(packet_.Get(), &packet) < 0) return false;
  AVPacket& copy = *packet_.Get();
  copy.stream_index = 0;
  copy.dts = dts;
  copy.pts = pts;
  copy.pos = -1;
  av_packet_rescale_ts(&copy, timeBase_, output_.Get()->streams[0]->time_base);
  auto* reference = reinterpret_cast<AVProducerReferenceTime*>(
      av_packet_new_side_data(&copy, AV_PKT_DATA_PRFT, sizeof(AVProducerReferenceTime)));
  if (reference) *reference = AVProducerReferenceTime{wallClockUs, 0};
  // Between two packets the muxer has handed over whole fragments only.
  wholeWritten_ = written_;
  const int written = av_write_frame(output_.Get(), &copy);
  av_packet_unref(&copy);
  if (written >= 0) return true;
  CutBackToWholeFragments();
  return false;
}

void Mp4Writer::CutBackToWholeFragments() {
  LARGE_INTEGER end{};
  end.QuadPart = wholeWritten_;
  if (SetFilePointerEx(file_.Get(), end, nullptr, FILE_BEGIN)) SetEndOfFile(file_.Get());
  DropFile();
}

bool Mp4Writer::Close() {
  wholeWritten_ = written_;
  if (output_ && (av_write_trailer(output_.Get()) < 0 || io_.Get()->error < 0)) {
    CutBackToWholeFragments();
    return false;
  }
  DropFile();
  return true;
}

void Mp4Writer::DropFile() {
  output_.Reset();
  io_.Reset();
  sink_.reset();
  file_.Reset();
}

int Mp4Writer::WriteBytes(void* writer, uint8_t* data, int size) {
  Mp4Writer& self = *static_cast<Mp4Writer*>(writer);
  const size_t got = self.sink_->Write(data, static_cast<size_t>(size));
  self.written_ += static_cast<int64_t>(got);
  return got == static_cast<size_t>(size) ? size : AVERROR(ENOSPC);
}
