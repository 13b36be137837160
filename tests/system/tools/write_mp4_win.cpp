// Copies the video packets of an MP4 file (its index first: the file is
// read front to back) into a recording the way the camera program writes
// them. Usage: write_mp4 SOURCE RECORDING START_US [DISK_BYTES]
// START_US is the wall-clock time of the first packet (each later one
// follows by its time stamp); DISK_BYTES, the room on a disk that fills.
#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "common/ffmpeg_owners_win.h"
#include "common/file_sink_win.h"
#include "engine/mp4_recording_rules.h"
#include "engine/mp4_writer_win.h"

namespace {

int ReadBytes(void* file, uint8_t* data, int size) {
  DWORD got = 0;
  if (!ReadFile(static_cast<HANDLE>(file), data, static_cast<DWORD>(size), &got, nullptr) || got == 0)
    return AVERROR_EOF;
  return static_cast<int>(got);
}

class FillingDisk final : public ByteSink {
 public:
  FillingDisk(HANDLE file, size_t room) : file_(file), room_(room) {}
  size_t Write(const uint8_t* data, size_t size) override {
    const size_t written = file_.Write(data, std::min(size, room_));
    room_ -= written;
    return written;
  }

 private:
  FileSink file_;
  size_t room_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) return 2;
  ScopedKernelHandle source(
      CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  constexpr int kBufferSize = 64 * 1024;
  ScopedIoContext io(avio_alloc_context(static_cast<uint8_t*>(av_malloc(kBufferSize)), kBufferSize, 0, source.Get(),
                                        &ReadBytes, nullptr, nullptr));
  AVFormatContext* opening = avformat_alloc_context();
  if (!source || !io || !opening) return 3;
  opening->pb = io.Get();
  if (avformat_open_input(&opening, nullptr, nullptr, nullptr) < 0) return 4;
  ScopedFormatContext input(opening);
  if (input.Get()->nb_streams != 1) return 5;
  const AVStream& video = *input.Get()->streams[0];

  const size_t room = argc == 5 ? std::strtoull(argv[4], nullptr, 10) : SIZE_MAX;
  Mp4Writer writer(
      [room](HANDLE file) -> std::unique_ptr<ByteSink> { return std::make_unique<FillingDisk>(file, room); });
  if (!writer.Open(argv[2], *video.codecpar, video.time_base)) return 6;
  RecordingTimeline timeline(video.time_base.den / video.time_base.num);
  const int64_t startUs = std::atoll(argv[3]);
  ScopedPacket packet(av_packet_alloc());
  int copied = 0;
  while (av_read_frame(input.Get(), packet.Get()) >= 0) {
    const AVPacket& p = *packet.Get();
    const int64_t arrivalUs = av_rescale_q(p.pts, video.time_base, AVRational{1, 1000000});
    const RecordingTimeline::Stamps stamps = timeline.Next(p.dts, p.pts, arrivalUs);
    if (!writer.Write(p, stamps.dts, stamps.pts, startUs + arrivalUs)) return 7;
    av_packet_unref(packet.Get());
    ++copied;
  }
  return writer.Close() && copied > 0 ? 0 : 8;
}
