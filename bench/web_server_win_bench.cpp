// Requests per second and latency of the web server for "$COUNT", a 2 KB
// page and a 640x480 camera picture (encoded afresh per request), with 1 and
// 16 clients at once; then what wakes the server's thread while 16 live
// streams watch a camera whose picture does not change. The server runs on the main thread as in the program;
// the clients are threads of the same process on loopback, one connection
// per request as HTTP/1.0 browsers make them.
#include <windows.h>
#include <winsock2.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "common/jpeg_codec.h"
#include "common/picture.h"
#include "web/webserver_win.h"

namespace {

using Clock = std::chrono::steady_clock;

class PatternCameras : public WebCameras {
 public:
  PatternCameras() : picture_(MakePicture(640, 480)) {
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) {
        uint8_t* p = picture_.pixels.data() + y * picture_.Stride() + x * 3;
        p[0] = static_cast<uint8_t>(x / 3);
        p[1] = static_cast<uint8_t>(y / 2);
        p[2] = static_cast<uint8_t>((x / 32 + y / 32) % 2 ? 200 : 40);
      }
  }
  int Count() const override { return 1; }
  bool GrabJpeg(int, std::vector<unsigned char>& jpeg) override { return EncodeJpeg(picture_, 75, jpeg); }
  uint64_t PictureSerial(int) const override { return 1; }
  std::shared_ptr<WakeList> PictureChanges(int number) const override { return number == 1 ? changes_ : nullptr; }
  const void* CameraKey(int number) const override { return number == 1 ? this : nullptr; }
  const Picture* CurrentPicture(int) const override { return &picture_; }
  WebGridShape GridShape() const override { return {1, 1, 0.75}; }

 private:
  Picture picture_;
  std::shared_ptr<WakeList> changes_ = std::make_shared<WakeList>();
};

// One request on a fresh connection; the response length, or 0 on failure.
size_t Request(uint16_t port, const std::string& request) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  size_t total = 0;
  if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      send(s, request.data(), static_cast<int>(request.size()), 0) == static_cast<int>(request.size())) {
    char chunk[65536];
    int n;
    while ((n = recv(s, chunk, sizeof chunk, 0)) > 0) total += static_cast<size_t>(n);
  }
  closesocket(s);
  return total;
}

void Pump(const std::atomic<int>& running) {
  while (running > 0) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
}

void PumpFor(Clock::duration span) {
  const auto end = Clock::now() + span;
  while (Clock::now() < end) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
}

void Run(Webserver& server, const char* label, const std::string& path, int clients, int perClient) {
  const uint16_t port = server.LocalPort();
  const std::string request = "GET /" + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
  std::vector<std::vector<double>> latencies(static_cast<size_t>(clients));
  std::atomic<int> running{clients};
  std::atomic<int> failed{0};
  std::vector<std::thread> threads;
  const auto start = Clock::now();
  for (int c = 0; c < clients; ++c) {
    threads.emplace_back([&, c] {
      for (int i = 0; i < perClient; ++i) {
        const auto t0 = Clock::now();
        if (Request(port, request) == 0) ++failed;
        latencies[static_cast<size_t>(c)].push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
      }
      --running;
    });
  }
  Pump(running);
  for (auto& t : threads) t.join();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::vector<double> all;
  for (const auto& l : latencies) all.insert(all.end(), l.begin(), l.end());
  std::sort(all.begin(), all.end());
  const size_t count = all.size();
  std::printf("%-22s clients %2d  %5zu requests  %7.1f req/s  median %6.2f ms  p99 %7.2f ms  failed %d\n", label,
              clients, count, static_cast<double>(count) / seconds, all[count / 2],
              all[std::min(count - 1, count * 99 / 100)], failed.load());
}

SOCKET Connect(uint16_t port) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  return s;
}

void IdleStreams(Webserver& server) {
  constexpr int kViewers = 16;
  constexpr auto kWatched = std::chrono::seconds(5);
  const std::string request = "GET /$STREAM1 HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
  std::vector<SOCKET> viewers;
  for (int i = 0; i < kViewers; ++i) {
    viewers.push_back(Connect(server.LocalPort()));
    send(viewers.back(), request.data(), static_cast<int>(request.size()), 0);
  }
  // Until every viewer streams and has had its first part.
  const auto streaming = Clock::now() + std::chrono::seconds(10);
  while (server.StreamCount() < kViewers && Clock::now() < streaming) PumpFor(std::chrono::milliseconds(20));
  PumpFor(std::chrono::seconds(1));
  int timers = 0, others = 0, toConnections = 0;
  const auto end = Clock::now() + kWatched;
  while (Clock::now() < end) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.hwnd != server.Handle())
        ++toConnections;
      else if (msg.message == WM_TIMER)
        ++timers;
      else
        ++others;
      DispatchMessageA(&msg);
    }
  }
  std::printf(
      "%-22s streams %2zu  in %lld s: %d timer firings and %d other messages at the server (its %u ms sweep "
      "included), %d at the connections\n",
      "$STREAM1 idle", server.StreamCount(), static_cast<long long>(kWatched.count()), timers, others,
      std::clamp<UINT>(kSocketTimeoutMs / 8, 50, 1000), toConnections);
  std::fflush(stdout);
  for (SOCKET s : viewers) closesocket(s);
}

}  // namespace

int main() {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "vr_web_bench_" + std::to_string(GetCurrentProcessId()) + "\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  const std::string pagePath = folder + "page2k.html";
  std::string page(2048, 'p');
  HANDLE file = CreateFileA(pagePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, page.data(), static_cast<DWORD>(page.size()), &written, nullptr);
  CloseHandle(file);

  PatternCameras cameras;
  WebSettings settings = DefaultWebSettings();
  settings.webEnabled = 1;
  settings.requireLogin = 0;
  settings.listenPort = 0;
  Webserver server(folder);
  server.SetBindAddress(INADDR_LOOPBACK);
  if (!ApplyWebSettings(server, nullptr, &cameras, &settings)) return 1;

  Run(server, "warm-up", "$COUNT", 4, 25);
  {
    // What every connection pays before any byte moves: its hidden window
    // with a class of its own.
    constexpr int kObjects = 300;
    const auto t0 = Clock::now();
    for (int i = 0; i < kObjects; ++i) WebClientSoc client;
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    std::printf("%-22s %.3f ms each\n", "connection object", ms / kObjects);
  }
  const struct {
    const char* label;
    const char* path;
  } cases[] = {{"$COUNT", "$COUNT"}, {"2 KB page", "page2k.html"}, {"$CAM1 640x480", "$CAM1"}};
  for (const auto& c : cases) {
    Run(server, c.label, c.path, 1, 300);
    Run(server, c.label, c.path, 16, 60);
  }
  IdleStreams(server);
  // The same with the single-connection queue the socket window defaults to.
  server.SetBacklog(kListenBacklog);
  server.Start(server.LocalPort());
  Run(server, "$COUNT, backlog 1", "$COUNT", 16, 60);

  server.Stop();
  DeleteFileA(pagePath.c_str());
  RemoveDirectoryA(folder.c_str());
  WSACleanup();
  return 0;
}
