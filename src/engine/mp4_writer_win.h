#pragma once
// Writes a camera's video packets, as the camera sent them, into a
// fragmented MP4 file: a fragment per key frame, each written out whole as
// soon as the next key frame begins it, so a crash, a kill or a full disk
// costs at most the fragment being written. Every fragment carries the
// wall-clock time of its first picture in a producer reference time box.

#include <windows.h>

#include <cstdint>

#include "common/ffmpeg_owners_win.h"

class Mp4Writer {
 public:
  Mp4Writer() = default;
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
  // what was written before stays readable.
  bool Write(const AVPacket& packet, int64_t dts, int64_t pts, int64_t wallClockUs);
  // Writes the last fragment and closes the file.
  bool Close();

 private:
  bool StartFile(const AVCodecParameters& video);
  static int WriteBytes(void* file, uint8_t* data, int size);

  ScopedKernelHandle file_;
  ScopedIoContext io_;
  ScopedOutputContext output_;
  ScopedPacket packet_;
  AVRational timeBase_{1, 90000};
};
