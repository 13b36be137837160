// Writes a recording the way the camera program does. Usage:
//   write_recording PATH FRAMES WIDTH HEIGHT             frames appended directly
//   write_recording PATH FRAMES WIDTH HEIGHT worker      through a camera worker
//   write_recording PATH FRAMES WIDTH HEIGHT premotion   a worker waiting for
//       motion with 3 frames before it: 5 still frames, the last three a
//       second apart, then motion and FRAMES - 1 still frames
//   write_recording PATH FRAMES WIDTH HEIGHT shortwrite  FRAMES frames with
//       the disk full for the middle one
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/file_sink_win.h"
#include "common/fixed_text.h"
#include "common/recording_format.h"
#include "common/scoped_handle_win.h"
#include "engine/cam_wrk_win.h"
#include "engine/camera_messages.h"
#include "engine/recorder_win.h"

namespace {

Picture Frame(int width, int height, int index) {
  Picture picture = MakePicture(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = picture.pixels.data() + y * picture.Stride() + x * 3;
      p[0] = static_cast<uint8_t>(x + index * 16);
      p[1] = static_cast<uint8_t>(y);
      p[2] = static_cast<uint8_t>((x / 16 + y / 16) % 2 ? 220 : 30);
    }
  return picture;
}

int WriteDirectly(const char* path, int frames, int width, int height) {
  ScopedKernelHandle file(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 3;
  SetFilePointer(file.Get(), 0, nullptr, FILE_END);
  FileSink sink(file.Get());
  for (int i = 0; i < frames; ++i) {
    Picture picture = Frame(width, height, i);
    if (!WriteFrame(picture, 80, sink)) return 4;
  }
  return 0;
}

int WriteThroughWorker(const char* path, int frames, int width, int height) {
  CamWrk worker;
  if (!worker.Start()) return 5;
  CamSettings settings = DefaultCamSettings();
  settings.recordEnabled = 1;
  settings.overlayEnabled = settings.overlayOnFile = 1;
  CopyText(settings.savePath, path);
  worker.ApplySettings(settings);
  for (int i = 0; i < frames; ++i) {
    const Picture picture = Frame(width, height, i);
    SendMessageA(worker.Handle(), camera_msg::kPicture, reinterpret_cast<WPARAM>(picture.pixels.data()),
                 reinterpret_cast<LPARAM>(&picture.pictureInfo));
  }
  worker.Stop();
  return 0;
}

Picture Uniform(int width, int height, uint8_t value) {
  Picture picture = MakePicture(width, height);
  picture.pixels.assign(picture.pixels.size(), value);
  return picture;
}

int WriteWithFramesBeforeMotion(const char* path, int frames, int width, int height) {
  CamWrk worker;
  if (!worker.Start()) return 5;
  CamSettings settings = DefaultCamSettings();
  settings.recordEnabled = 1;
  settings.motionEnabled = 1;
  settings.saveCount = 2;
  CopyText(settings.savePath, path);
  const RecordingExtras extras{3, 0, 0};
  worker.ApplySettings(settings);
  worker.SetExtras(extras);
  auto deliver = [&](const Picture& picture) {
    SendMessageA(worker.Handle(), camera_msg::kPicture, reinterpret_cast<WPARAM>(picture.pixels.data()),
                 reinterpret_cast<LPARAM>(&picture.pictureInfo));
  };
  const Picture dark = Uniform(width, height, 20);
  const Picture bright = Uniform(width, height, 235);
  for (int i = 0; i < 5; ++i) {
    deliver(dark);
    if (i >= 2) Sleep(1000);
  }
  for (int i = 0; i < frames; ++i) deliver(bright);
  worker.Stop();
  return 0;
}

// Writes only half of what it is given while the disk is full.
class HalfFullDisk final : public ByteSink {
 public:
  HalfFullDisk(HANDLE file, bool full) : file_(file), full_(full) {}
  size_t Write(const uint8_t* data, size_t size) override {
    DWORD written = 0;
    const DWORD take = static_cast<DWORD>(full_ ? size / 2 : size);
    if (take) WriteFile(file_, data, take, &written, nullptr);
    return written;
  }

 private:
  HANDLE file_;
  bool full_;
};

int WriteWithShortWrite(const char* path, int frames, int width, int height) {
  int frame = 0;
  Recorder::Services services;
  services.openSink = [&](HANDLE file) -> std::unique_ptr<ByteSink> {
    return std::make_unique<HalfFullDisk>(file, frame == frames / 2);
  };
  Recorder recorder(std::move(services));
  CamSettings settings = DefaultCamSettings();
  settings.recordEnabled = 1;
  CopyText(settings.savePath, path);
  bool failureShown = false;
  for (frame = 0; frame < frames; ++frame) {
    Picture picture = Frame(width, height, frame);
    recorder.SaveFrame(picture, 0, settings);
    failureShown |= std::strcmp(recorder.StatusText(), "File write failed, disk may be full") == 0;
  }
  return failureShown && recorder.StatusText()[0] == '\0' ? 0 : 6;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 && argc != 6) {
    std::fprintf(stderr, "usage: write_recording PATH FRAMES WIDTH HEIGHT [worker|premotion|shortwrite]\n");
    return 2;
  }
  const int frames = std::atoi(argv[2]);
  const int width = std::atoi(argv[3]);
  const int height = std::atoi(argv[4]);
  if (argc == 6 && std::strcmp(argv[5], "worker") == 0) return WriteThroughWorker(argv[1], frames, width, height);
  if (argc == 6 && std::strcmp(argv[5], "premotion") == 0)
    return WriteWithFramesBeforeMotion(argv[1], frames, width, height);
  if (argc == 6 && std::strcmp(argv[5], "shortwrite") == 0) return WriteWithShortWrite(argv[1], frames, width, height);
  return WriteDirectly(argv[1], frames, width, height);
}
