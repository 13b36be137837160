#include "player/mp4_copy_win.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "common/ffmpeg_owners_win.h"
#include "common/scoped_handle_win.h"

namespace {

constexpr int kIoBufferSize = 65536;

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

// Copies one span, shifted so that its first frame is shown at next (in
// the output's time base; 0 for the first span), and moves next behind it.
// A packet the file does not hold whole ends the span.
bool CopySpan(const PacketSpan& span, AVFormatContext* output, AVPacket* packet, int64_t& next) {
  AVFormatContext* input = span.input->Format();
  const int video = span.input->VideoIndex();
  const AVRational from = span.input->Video()->time_base;
  const AVRational to = output->streams[0]->time_base;
  if (av_seek_frame(input, video, span.fromDecodeTime, AVSEEK_FLAG_BACKWARD) < 0) return false;
  bool first = true;
  int64_t shift = 0;
  int64_t end = next;
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
    av_packet_rescale_ts(packet, from, to);
    if (first) shift = next - packet->pts;
    first = false;
    packet->pts += shift;
    packet->dts += shift;
    end = std::max(end, packet->pts + packet->duration);
    packet->stream_index = 0;
    packet->pos = -1;
    const int written = av_write_frame(output, packet);
    av_packet_unref(packet);
    if (written < 0) return false;
  }
  next = end;
  return !first;
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

std::string WritePacketSpans(const std::vector<PacketSpan>& spans, const std::string& path) {
  if (spans.empty()) return "nothing to write";
  ScopedKernelHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return "Could not create the output file";
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
      output.Get()->pb = io.Get();
      output.Get()->flags |= AVFMT_FLAG_CUSTOM_IO;
      if (avformat_write_header(output.Get(), nullptr) < 0) why = "the MP4 writer does not start";
      int64_t next = 0;
      for (const PacketSpan& span : spans)
        if (why.empty() && !CopySpan(span, output.Get(), packet.Get(), next)) why = "File write failed";
      if (why.empty() && (av_write_trailer(output.Get()) < 0 || io.Get()->error < 0)) why = "File write failed";
      if (why.empty()) avio_flush(io.Get());
    }
  }
  if (why.empty()) return "";
  file.Reset();
  DeleteFileA(path.c_str());
  return why;
}
