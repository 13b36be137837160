// Writes a recording the way the camera worker does: frames appended to a
// file opened for writing with read sharing, each stamped with the system
// clock. Usage: write_recording PATH FRAMES WIDTH HEIGHT
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "common/file_sink_win.h"
#include "common/recording_format.h"
#include "common/scoped_handle_win.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: write_recording PATH FRAMES WIDTH HEIGHT\n");
    return 2;
  }
  const int frames = std::atoi(argv[2]);
  const int width = std::atoi(argv[3]);
  const int height = std::atoi(argv[4]);
  ScopedKernelHandle file(CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 3;
  SetFilePointer(file.Get(), 0, nullptr, FILE_END);
  FileSink sink(file.Get());
  for (int i = 0; i < frames; ++i) {
    Picture picture = MakePicture(width, height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        uint8_t* p = picture.pixels.data() + y * picture.Stride() + x * 3;
        p[0] = static_cast<uint8_t>(x + i * 16);
        p[1] = static_cast<uint8_t>(y);
        p[2] = static_cast<uint8_t>((x / 16 + y / 16) % 2 ? 220 : 30);
      }
    if (!WriteFrame(picture, 80, sink)) return 4;
  }
  return 0;
}
