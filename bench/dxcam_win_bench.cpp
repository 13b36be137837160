// CPU of one DirectShow camera: a 640x480 capture device polled at 10
// frames/s by its worker, with motion detection and recording to .mjpg,
// as a share of one core. Needs the test capture filter registered in the
// prefix (scripts/bench does it). The graph alone (device, grabber and the
// renderer in the hidden dialog) is measured first, so that the worker's
// own share can be told from the device's.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "common/fixed_text.h"
#include "engine/cam_wrk_win.h"
#include "frame_reader_win.h"
#include "sources/source_factory_win.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kWarmUp = std::chrono::seconds(2);
constexpr auto kMeasure = std::chrono::seconds(15);

double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

void PumpFor(Clock::duration span) {
  const auto end = Clock::now() + span;
  while (Clock::now() < end) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
}

// Share of one core used by the whole process over the measuring span.
template <typename Body>
double MeasureShare(Body&& whileRunning) {
  PumpFor(kWarmUp);
  const double cpu = ProcessCpuSeconds();
  const auto start = Clock::now();
  whileRunning();
  const std::chrono::duration<double> wall = Clock::now() - start;
  return 100.0 * (ProcessCpuSeconds() - cpu) / wall.count();
}

}  // namespace

int main() {
  CameraSourceFactory factory;

  // The graph alone, as the dialog runs it while nobody grabs.
  double graphShare = 0;
  {
    std::unique_ptr<DeviceSource> device = factory.CreateDeviceSource(nullptr, false);
    if (!device) {
      std::printf("the capture device dialog cannot be created\n");
      return 1;
    }
    device->RestoreSelection(1, 2, 0);
    Picture probe;
    PumpFor(std::chrono::seconds(1));
    if (!device->GrabFrame(probe) || probe.Width() != 640) {
      std::printf("no 640x480 capture device: register tests/fixtures' capture_filter.dll first\n");
      return 1;
    }
    graphShare = MeasureShare([] { PumpFor(kMeasure); });
  }

  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "vr_dxcam_bench";
  CreateDirectoryA(folder.c_str(), nullptr);
  int shown = 0;  // full-size frames
  FrameReader display([&shown](const Frame& frame) { shown += frame.picture.Width() == 640; });
  display.Create();
  CamWrk::Services services;
  services.sources = &factory;
  CamWrk worker(std::move(services));
  worker.SetDisplayWindow(display.Handle());
  display.Follow(worker.Slot());
  worker.Start();
  CamSettings settings = DefaultCamSettings();
  settings.cameraType = kCaptureDevice;
  settings.deviceIndex = 1;
  settings.formatIndex = 2;  // 640x480 24 bit
  settings.saveInterval = 100;
  settings.recordEnabled = 1;
  settings.motionEnabled = 1;  // the device's frame counter is motion
  FormatText(settings.savePath, sizeof settings.savePath, "%s\\dxcam.mjpg", folder.c_str());
  worker.ApplySettings(settings);
  int frames = 0;
  const double totalShare = MeasureShare([&] {
    const int before = shown;
    PumpFor(kMeasure);
    frames = shown - before;
  });
  worker.Stop();
  display.Destroy();
  WIN32_FILE_ATTRIBUTE_DATA file{};
  const std::string recording = folder + "\\dxcam.mjpg";
  GetFileAttributesExA(recording.c_str(), GetFileExInfoStandard, &file);
  DeleteFileA(recording.c_str());
  RemoveDirectoryA(folder.c_str());

  const double seconds = std::chrono::duration<double>(kMeasure).count();
  std::printf("graph alone (device at 15 frames/s, grabber, renderer): %.1f %% of one core\n", graphShare);
  std::printf("camera at 10 frames/s (grab, motion, record): %.1f %% of one core, %.1f frames/s, %lu KB recorded\n",
              totalShare, frames / seconds, static_cast<unsigned long>(file.nFileSizeLow / 1024));
  std::printf("the worker's own share: %.1f %% of one core\n", totalShare - graphShare);
  return 0;
}
