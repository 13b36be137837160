#pragma once
// One MP4 file opened in FFmpeg's mov demuxer through our own file reads
// (so names in any code page and files the camera program still writes
// work alike), with its first video stream chosen and the others discarded.

#include <memory>
#include <optional>
#include <string>

#include "common/ffmpeg_owners_win.h"
#include "player/recording_file.h"

class Mp4Input {
 public:
  Mp4Input() = default;
  Mp4Input(const Mp4Input&) = delete;
  Mp4Input& operator=(const Mp4Input&) = delete;

  // "" when open, else why not (the text after "Unable to open mp4 file: ").
  std::string Open(std::unique_ptr<RecordingFile> file);
  void Close();

  bool IsOpen() const { return format_.IsValid(); }
  AVFormatContext* Format() const { return format_.Get(); }
  AVStream* Video() const { return format_.Get()->streams[streamIndex_]; }
  int VideoIndex() const { return streamIndex_; }
  RecordingFile& File() const { return *file_; }
  int64_t FileSize() const { return fileSize_; }
  // The decoding time of the video's first packet.
  int64_t FirstDecodeTime() const;
  // The decoding time of the video's last packet in the index.
  int64_t LastDecodeTime() const;
  // The file's creation time in microseconds since 1970; none when the
  // file does not say.
  std::optional<int64_t> CreationTime() const;

 private:
  static int ReadPacket(void* input, uint8_t* buffer, int size);
  static int64_t Seek(void* input, int64_t offset, int whence);

  std::unique_ptr<RecordingFile> file_;
  int64_t fileSize_ = 0;
  int64_t position_ = 0;
  // Declared before the format context, which must close first.
  ScopedIoContext io_;
  ScopedFormatContext format_;
  int streamIndex_ = -1;
};
