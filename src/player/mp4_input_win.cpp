#include "player/mp4_input_win.h"

extern "C" {
#include <libavutil/log.h>
#include <libavutil/parseutils.h>
}

#include "common/picture_limit.h"

namespace {

constexpr int kIoBufferSize = 65536;

}  // namespace

std::string Mp4Input::Open(std::unique_ptr<RecordingFile> file) {
  Close();
  // A program without a console: FFmpeg's messages would go nowhere.
  av_log_set_level(AV_LOG_QUIET);
  file_ = std::move(file);
  fileSize_ = file_->Size();
  if (fileSize_ <= 0) return "the file is empty";
  auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
  if (!buffer) return "out of memory";
  io_.Reset(avio_alloc_context(buffer, kIoBufferSize, 0, this, &Mp4Input::ReadPacket, nullptr, &Mp4Input::Seek));
  if (!io_) {
    av_free(buffer);
    return "out of memory";
  }
  AVFormatContext* opening = avformat_alloc_context();
  if (!opening) return "out of memory";
  opening->pb = io_.Get();
  opening->flags |= AVFMT_FLAG_CUSTOM_IO;
  // Frees the context itself when it fails.
  if (avformat_open_input(&opening, "", av_find_input_format("mov"), nullptr) < 0)
    return "not an MP4 file, or its index (moov) is missing or damaged";
  format_.Reset(opening);

  for (unsigned i = 0; i < format_.Get()->nb_streams; ++i) {
    AVStream* stream = format_.Get()->streams[i];
    if (streamIndex_ < 0 && stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
      streamIndex_ = static_cast<int>(i);
    else
      stream->discard = AVDISCARD_ALL;
  }
  if (streamIndex_ < 0) return "it holds no video";
  const AVCodecParameters& parameters = *Video()->codecpar;
  if (parameters.codec_id != AV_CODEC_ID_H264 && parameters.codec_id != AV_CODEC_ID_HEVC)
    return std::string("unsupported video codec (") + avcodec_get_name(parameters.codec_id) + ")";
  const std::string refusal = PictureSizeRefusal(parameters.width, parameters.height);
  if (!refusal.empty()) return refusal;
  if (Video()->time_base.num <= 0 || Video()->time_base.den <= 0) return "its video has no time base";
  return "";
}

int64_t Mp4Input::FirstDecodeTime() const {
  AVStream* video = Video();
  const int count = avformat_index_get_entries_count(video);
  for (int i = 0; i < count; ++i) {
    const AVIndexEntry* entry = avformat_index_get_entry(video, i);
    if (entry && !(entry->flags & AVINDEX_DISCARD_FRAME)) return entry->timestamp;
  }
  return 0;
}

int64_t Mp4Input::LastDecodeTime() const {
  AVStream* video = Video();
  for (int i = avformat_index_get_entries_count(video) - 1; i >= 0; --i) {
    const AVIndexEntry* entry = avformat_index_get_entry(video, i);
    if (entry && !(entry->flags & AVINDEX_DISCARD_FRAME)) return entry->timestamp;
  }
  return 0;
}

std::optional<int64_t> Mp4Input::CreationTime() const {
  const AVDictionaryEntry* created = av_dict_get(format_.Get()->metadata, "creation_time", nullptr, 0);
  int64_t microseconds = 0;
  if (!created || av_parse_time(&microseconds, created->value, 0) != 0 || microseconds == 0) return std::nullopt;
  return microseconds;
}

void Mp4Input::Close() {
  format_.Reset();
  io_.Reset();
  file_.reset();
  fileSize_ = 0;
  position_ = 0;
  streamIndex_ = -1;
}

int Mp4Input::ReadPacket(void* opaque, uint8_t* buffer, int size) {
  auto* self = static_cast<Mp4Input*>(opaque);
  const size_t n = self->file_->ReadAt(self->position_, buffer, static_cast<size_t>(size));
  if (n == 0) return AVERROR_EOF;
  self->position_ += static_cast<int64_t>(n);
  return static_cast<int>(n);
}

int64_t Mp4Input::Seek(void* opaque, int64_t offset, int whence) {
  auto* self = static_cast<Mp4Input*>(opaque);
  switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
      return self->fileSize_;
    case SEEK_SET:
      break;
    case SEEK_CUR:
      offset += self->position_;
      break;
    case SEEK_END:
      offset += self->fileSize_;
      break;
    default:
      return -1;
  }
  if (offset < 0) return -1;
  self->position_ = offset;
  return offset;
}
