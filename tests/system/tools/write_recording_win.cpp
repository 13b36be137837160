// Writes a recording the way the camera program does. Usage:
//   write_recording PATH FRAMES WIDTH HEIGHT          frames appended directly
//   write_recording PATH FRAMES WIDTH HEIGHT worker   through a camera worker
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/file_sink_win.h"
#include "common/fixed_text.h"
#include "common/recording_format.h"
#include "common/scoped_handle_win.h"
#include "engine/cam_wrk_win.h"

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
  SendMessageA(worker.Handle(), camera_msg::kSettings, reinterpret_cast<WPARAM>(&settings), 0);
  for (int i = 0; i < frames; ++i) {
    const Picture picture = Frame(width, height, i);
    SendMessageA(worker.Handle(), camera_msg::kPicture, reinterpret_cast<WPARAM>(picture.pixels.data()),
                 reinterpret_cast<LPARAM>(&picture.pictureInfo));
  }
  worker.Stop();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 && argc != 6) {
    std::fprintf(stderr, "usage: write_recording PATH FRAMES WIDTH HEIGHT [worker]\n");
    return 2;
  }
  const int frames = std::atoi(argv[2]);
  const int width = std::atoi(argv[3]);
  const int height = std::atoi(argv[4]);
  if (argc == 6 && std::strcmp(argv[5], "worker") == 0) return WriteThroughWorker(argv[1], frames, width, height);
  return WriteDirectly(argv[1], frames, width, height);
}
