#pragma once
// Writes a camera's video packets, as the camera sent them, into a
// fragmented MP4 file: a fragment per key frame, each written out whole as
// soon as the next key frame begins it, so a crash, a kill or a full disk
// costs at most the fragment being written: a failed write cuts the file
// back to its last whole fragment and closes it. Every fragment carries the
// wall-clock time of its first picture in a producer reference time box.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "common/byte_sink.h"
#include "common/ffmpeg_owners_win.h"

class Mp4Writer {
 public:
  // Wraps the open file for writing; tests replace it.
  using SinkFactory = std::function<std::unique_ptr<ByteSink>(HANDLE)>;

  Mp4Writer();
  explicit Mp4Writer(SinkFactory openSink) : openSink_(std::move(openSink)) {}
  ~Mp4Writer() { Close(); }
  Mp4Writer(const Mp4Writer&) = delete;
  Mp4Writer& operator=(const Mp4Writer&) = delete;

  // Creates a new file at path (never replaces one) for a stream with
  // these parameters, whose time stamps count in timeBase. They must hold
  // the picture size and the parameter sets (RTSP gives the sets in its
  // session description, the size only once a packet is parsed); without
  // them, or on any failure, no file is left behind.
  bool Open(const char* path, const AVCodecParameters& video, AVRational timeBase);
  bool IsOpen() const { return static_cast<bool>(output_); }
  // Appends one packet, unchanged but for the time stamps given, captured
  // at wallClockUs (microseconds since 1970). False once writing failed;
  // the file then ends with its last whole fragment and is closed.
  bool Write(const AVPacket& packet, int64_t dts, int64_t pts, int64_t wallClockUs);
  // Writes the last fragment and closes the file; false, with the file cut
  // back as after a failed write, when that fails.
  bool Close();

 private:
  bool StartFile(const AVCodecParameters& video);
  void CutBackToWholeFragments();
  // Forgets the file, as it stands, and FFmpeg's objects with it.
  void DropFile();
  static int WriteBytes(void* writer, uint8_t* data, int size);

  SinkFactory openSink_;
  ScopedKernelHandle file_;
  std::unique_ptr<ByteSink> sink_;
  int64_t written_ = 0;       // bytes in the file
  int64_t wholeWritten_ = 0;  // of them, the header and the whole fragments
  ScopedIoContext io_;
  ScopedOutputContext output_;
  ScopedPacket packet_;
  AVRational timeBase_{1, 90000};
};
