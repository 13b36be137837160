// Frames per second through the camera worker's whole frame cycle: a
// 640x480 picture delivered, motion detected, shown on a display window and
// recorded to .mjpg, on one camera and on four at once.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/fixed_text.h"
#include "engine/cam_wrk_win.h"
#include "engine/camera_messages.h"
#include "frame_reader_win.h"

namespace {

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

Picture Scene(int index) {
  Picture picture = MakePicture(640, 480);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      uint8_t* p = picture.pixels.data() + y * picture.Stride() + x * 3;
      p[0] = static_cast<uint8_t>(x / 3 + y / 5);
      p[1] = static_cast<uint8_t>(y / 2);
      p[2] = static_cast<uint8_t>(((x + index * 8) / 40) % 2 ? 200 : 40);
    }
  return picture;
}

// One camera fed from its own thread; returns frames per second.
double RunCamera(const std::string& folder, int camera, int frames) {
  std::vector<uint8_t> copy;  // as the camera object takes each picture
  FrameReader display([&copy](const Frame& frame) { copy = frame.picture.pixels; });
  display.Create();
  CamWrk worker;
  worker.SetDisplayWindow(display.Handle());
  display.Follow(worker.Slot());
  worker.Start();
  CamSettings settings = DefaultCamSettings();
  settings.recordEnabled = 1;
  settings.motionEnabled = 1;
  settings.saveCount = 1000000;
  FormatText(settings.savePath, sizeof settings.savePath, "%s\\cam%d.mjpg", folder.c_str(), camera);
  worker.ApplySettings(settings);
  const Picture pictures[2] = {Scene(0), Scene(1)};
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < frames; ++i) {
    const Picture& picture = pictures[i % 2];
    SendMessageA(worker.Handle(), camera_msg::kPicture, reinterpret_cast<WPARAM>(picture.pixels.data()),
                 reinterpret_cast<LPARAM>(&picture.pictureInfo));
    Pump();
  }
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  worker.Stop();
  display.Destroy();
  return frames / elapsed.count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "vr_frame_cycle_bench";
  CreateDirectoryA(folder.c_str(), nullptr);
  constexpr int kFrames = 200;

  std::vector<double> single;
  for (int run = 0; run < 5; ++run) single.push_back(RunCamera(folder, 0, kFrames));
  std::printf("1 camera: %.1f frames/s (median of 5 runs of %d frames)\n", Median(single), kFrames);

  std::vector<double> totals;
  for (int run = 0; run < 5; ++run) {
    std::vector<double> rates(4);
    std::vector<std::thread> threads;
    for (int c = 0; c < 4; ++c) threads.emplace_back([&, c] { rates[c] = RunCamera(folder, c + 1, kFrames); });
    for (auto& t : threads) t.join();
    double sum = 0;
    for (double r : rates) sum += r;
    totals.push_back(sum);
  }
  std::printf("4 cameras at once: %.1f frames/s in total, %.1f per camera (median of 5 runs)\n", Median(totals),
              Median(totals) / 4);
  for (int c = 0; c <= 4; ++c) DeleteFileA((folder + "\\cam" + std::to_string(c) + ".mjpg").c_str());
  RemoveDirectoryA(folder.c_str());
  return 0;
}
