// CPU time of one camera thread reading a 640x480 MJPEG stream at 10 frames
// per second from a loopback camera: the IP client cuts and decodes each
// frame, the worker runs its frame cycle on it. Percent of one core, from
// GetThreadTimes over a measured period, with and without motion detection
// and recording.
#include <windows.h>
#include <winsock2.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "common/fixed_text.h"
#include "common/jpeg_codec.h"
#include "engine/cam_wrk_win.h"
#include "engine/posted_wake_win.h"
#include "sources/source_factory_win.h"

namespace {

constexpr UINT kPictureMessage = WM_APP + 9;
std::atomic<int> received{0};
PostedWake* pictureWake = nullptr;

LRESULT CALLBACK CountPictures(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kPictureMessage) {
    if (pictureWake) pictureWake->Rearm();
    ++received;
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

std::vector<uint8_t> Frame(int index) {
  Picture picture = MakePicture(640, 480);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      uint8_t* p = picture.pixels.data() + y * picture.Stride() + x * 3;
      p[0] = static_cast<uint8_t>(x / 3 + y / 5);
      p[1] = static_cast<uint8_t>(y / 2 + index);
      p[2] = static_cast<uint8_t>(((x + index * 8) / 40) % 2 ? 200 : 40);
    }
  std::vector<uint8_t> jpeg;
  EncodeJpeg(picture, 85, jpeg);
  return jpeg;
}

// Serves one client an endless stream, a frame every 100 ms.
class StreamCamera {
 public:
  StreamCamera() {
    for (int i = 0; i < 10; ++i) {
      std::vector<uint8_t> jpeg = Frame(i);
      std::string part = "--frame\r\nContent-Type: image/jpeg\r\nContent-Length: " + std::to_string(jpeg.size()) +
                         "\r\n\r\n" + std::string(jpeg.begin(), jpeg.end()) + "\r\n";
      parts_.push_back(part);
      frameBytes_ += jpeg.size();
    }
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener_, 1);
    int length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~StreamCamera() {
    stop_ = true;
    closesocket(listener_);
    thread_.join();
  }
  uint16_t Port() const { return port_; }
  size_t MeanFrameBytes() const { return frameBytes_ / parts_.size(); }

 private:
  void Serve() {
    SOCKET client = accept(listener_, nullptr, nullptr);
    if (client == INVALID_SOCKET) return;
    char request[2048];
    recv(client, request, sizeof request, 0);
    std::string header = "HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=frame\r\n\r\n";
    send(client, header.data(), static_cast<int>(header.size()), 0);
    auto next = std::chrono::steady_clock::now();
    for (size_t i = 0; !stop_; ++i) {
      const std::string& part = parts_[i % parts_.size()];
      if (send(client, part.data(), static_cast<int>(part.size()), 0) <= 0) break;
      next += std::chrono::milliseconds(100);
      std::this_thread::sleep_until(next);
    }
    closesocket(client);
  }

  std::vector<std::string> parts_;
  size_t frameBytes_ = 0;
  SOCKET listener_ = INVALID_SOCKET;
  uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

double ThreadMs(HANDLE thread) {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(thread, &created, &exited, &kernel, &user);
  auto ticks = [](const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

void PumpFor(std::chrono::milliseconds time) {
  const auto end = std::chrono::steady_clock::now() + time;
  while (std::chrono::steady_clock::now() < end) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
}

void Measure(const char* label, bool motionAndRecording, const std::string& folder) {
  StreamCamera camera;
  HWND receiver = CreateWindowExA(0, "IpCamBenchReceiver", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
  CameraSourceFactory sources;
  CamWrk::Services services;
  services.sources = &sources;
  CamWrk worker(std::move(services));
  PostedWake wake(receiver, kPictureMessage);
  pictureWake = &wake;
  worker.Slot()->Subscribe(wake);
  worker.Start();
  CamSettings settings = DefaultCamSettings();
  settings.cameraType = kIpCamera;
  FormatText(settings.cameraUrl, sizeof settings.cameraUrl, "http://127.0.0.1:%u/stream", camera.Port());
  settings.mjpegStream = 1;
  settings.ipConnected = 1;
  settings.saveInterval = 100;
  settings.motionEnabled = motionAndRecording ? 1 : 0;
  settings.recordEnabled = motionAndRecording ? 1 : 0;
  settings.saveCount = 1000000;
  settings.cleanDirectory = 0;
  FormatText(settings.savePath, sizeof settings.savePath, "%s\\bench.mjpg", folder.c_str());
  worker.ApplySettings(settings);

  HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, GetWindowThreadProcessId(worker.Handle(), nullptr));
  PumpFor(std::chrono::milliseconds(2000));
  const double cpuStart = ThreadMs(thread);
  const int picturesStart = received;
  const auto wallStart = std::chrono::steady_clock::now();
  PumpFor(std::chrono::milliseconds(10000));
  const double cpu = ThreadMs(thread) - cpuStart;
  const std::chrono::duration<double, std::milli> wall = std::chrono::steady_clock::now() - wallStart;
  const int pictures = received - picturesStart;
  std::printf(
      "%-34s %5.1f %% of one core  (%d pictures in %.1f s = %.1f fps, %.2f ms CPU per picture, %zu-byte frames)\n",
      label, 100.0 * cpu / wall.count(), pictures, wall.count() / 1000.0, pictures * 1000.0 / wall.count(),
      pictures ? cpu / pictures : 0.0, camera.MeanFrameBytes());
  CloseHandle(thread);
  worker.Slot()->Unsubscribe(wake);
  pictureWake = nullptr;
  worker.Stop();
  DestroyWindow(receiver);
}

}  // namespace

int main() {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  WNDCLASSA wc{};
  wc.lpfnWndProc = &CountPictures;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "IpCamBenchReceiver";
  RegisterClassA(&wc);
  char folder[MAX_PATH];
  GetTempPathA(sizeof folder, folder);
  std::string base = std::string(folder) + "ipcam_bench";
  CreateDirectoryA(base.c_str(), nullptr);
  std::printf("camera thread, 640x480 MJPEG stream at 10 fps over loopback, 10 s measured:\n");
  Measure("receive and decode only", false, base);
  Measure("with motion detection and .mjpg", true, base);
  DeleteFileA((base + "\\bench.mjpg").c_str());
  RemoveDirectoryA(base.c_str());
  WSACleanup();
  return 0;
}
