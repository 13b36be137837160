// Runs the web server on 127.0.0.1 with fake cameras for whole-program tests
// and benchmarks. Usage:
//   web_server_host [--port N] [--cameras N] [--fps N] [--user U --password P] [--backlog N]
//                   [--tls BASE [--tls-cert FILE --tls-key FILE]] [--redirect-port N]
// With --tls it serves HTTPS with the certificate made at BASE (made on first
// use), or with the given PEM files; one that cannot be used is reported as
// "tls-error REASON" instead of the listening line. --redirect-port also sends
// plain HTTP on port N (0: chosen, told as " redirect=R") on to it.
// Serves the "Webserver" folder beside this program. Each camera encodes a
// 640x480 picture of its own afresh for every request, as a camera display
// does. Prints "listening port=P" once ready, then reads commands from
// standard input, one per line, and answers each with one line:
//   status            open connections, streams, pictures encoded (camera
//                     pictures and grid pictures), windows, whether listening
//   resources         handles and memory of the process
//   tls               the certificate's SHA-256 fingerprint
//   login U P | nologin
//   disable | enable  as the settings dialog would
//   quit
#include <windows.h>
#include <winsock2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/fixed_text.h"
#include "common/jpeg_codec.h"
#include "common/picture.h"
#include "web/web_certificate_win.h"
#include "web/webserver_win.h"

namespace {

constexpr UINT kCommandMessage = WM_APP + 40;

class PatternCameras : public WebCameras {
 public:
  explicit PatternCameras(int count) {
    for (int n = 1; n <= count; ++n) patterns_.push_back(Pattern(n));
    pictures_ = patterns_;
    serials_.assign(pictures_.size(), 1);
    for (size_t k = 0; k < pictures_.size(); ++k) changes_.push_back(std::make_shared<WakeList>());
  }
  int Count() const override { return static_cast<int>(pictures_.size()); }
  bool GrabJpeg(int number, std::vector<unsigned char>& jpeg) override {
    ++encoded_;
    return EncodeJpeg(pictures_.at(static_cast<size_t>(number - 1)), 75, jpeg);
  }
  uint64_t PictureSerial(int number) const override { return serials_.at(static_cast<size_t>(number - 1)); }
  std::shared_ptr<WakeList> PictureChanges(int number) const override {
    return number >= 1 && number <= Count() ? changes_[static_cast<size_t>(number - 1)] : nullptr;
  }
  const void* CameraKey(int number) const override {
    return number >= 1 && number <= Count() ? &pictures_[static_cast<size_t>(number - 1)] : nullptr;
  }
  const Picture* CurrentPicture(int number) const override { return &pictures_.at(static_cast<size_t>(number - 1)); }
  // Asked once for every grid picture, which the server then encodes.
  WebGridShape GridShape() const override {
    ++encoded_;
    return {2, (Count() + 1) / 2, 0.75};
  }
  uint64_t Encoded() const { return encoded_; }

  // Every camera takes its next picture: its pattern with a bar that moves
  // 16 pixels a picture, so consecutive pictures differ.
  void NextPictures() {
    ++frame_;
    for (size_t k = 0; k < pictures_.size(); ++k) {
      Picture& picture = pictures_[k];
      picture.pixels = patterns_[k].pixels;
      const int bar = static_cast<int>((frame_ * 16) % 640);
      for (int y = 0; y < 480; ++y) std::memset(picture.pixels.data() + y * picture.Stride() + bar * 3, 255, 16 * 3);
      ++serials_[k];
      changes_[k]->WakeAll();
    }
  }

 private:
  uint64_t frame_ = 0;
  mutable uint64_t encoded_ = 0;
  std::vector<Picture> patterns_;
  std::vector<uint64_t> serials_;
  std::vector<std::shared_ptr<WakeList>> changes_;
  static Picture Pattern(int camera) {
    Picture picture = MakePicture(640, 480);
    for (int y = 0; y < 480; ++y) {
      for (int x = 0; x < 640; ++x) {
        uint8_t* p = picture.pixels.data() + y * picture.Stride() + x * 3;
        p[0] = static_cast<uint8_t>(x / 3 + camera * 40);
        p[1] = static_cast<uint8_t>(y / 2);
        p[2] = static_cast<uint8_t>((x / 32 + y / 32 + camera) % 2 ? 200 : 40);
      }
    }
    return picture;
  }
  std::vector<Picture> pictures_;
};

// No one is there to close a message box: report listen failures instead.
int WINAPI ReportBox(HWND, LPCSTR text, LPCSTR title, UINT) {
  std::fprintf(stderr, "%s: %s\n", title, text);
  return IDOK;
}

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

void Answer(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

// Open kernel handles, found by asking each handle value; Wine reports no
// process handle count.
size_t CountHandles() {
  size_t count = 0;
  for (uintptr_t value = 4; value < (1u << 16); value += 4) {
    DWORD flags = 0;
    count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != 0;
  }
  return count;
}

// Bytes in use in every heap of the process.
size_t HeapBytesInUse() {
  HANDLE heaps[64];
  DWORD count = GetProcessHeaps(64, heaps);
  size_t used = 0;
  for (DWORD i = 0; i < count && i < 64; ++i) {
    if (!HeapLock(heaps[i])) continue;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heaps[i], &entry)) {
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) used += entry.cbData;
    }
    HeapUnlock(heaps[i]);
  }
  return used;
}

// Committed private memory, as the process's private bytes count it.
size_t CommittedPrivateBytes() {
  size_t total = 0;
  MEMORY_BASIC_INFORMATION info;
  for (char* address = nullptr; VirtualQuery(address, &info, sizeof info) == sizeof info;
       address = static_cast<char*>(info.BaseAddress) + info.RegionSize) {
    if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
  }
  return total;
}

std::string Status(const Webserver& server, const PatternCameras& cameras) {
  int windows = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&windows));
  // Socket objects live on message-only windows, which no enumeration lists.
  for (HWND w = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); w;
       w = FindWindowExA(HWND_MESSAGE, w, nullptr, nullptr)) {
    windows += GetWindowThreadProcessId(w, nullptr) == GetCurrentThreadId();
  }
  return "status clients=" + std::to_string(server.ClientCount()) + " streams=" + std::to_string(server.StreamCount()) +
         " encoded=" + std::to_string(cameras.Encoded()) + " windows=" + std::to_string(windows) +
         " listening=" + std::to_string(server.IsListening() ? 1 : 0);
}

std::string Resources() {
  return "resources handles=" + std::to_string(CountHandles()) + " heap=" + std::to_string(HeapBytesInUse()) +
         " private=" + std::to_string(CommittedPrivateBytes());
}

// Lines from standard input, handed to the main thread one by one.
DWORD WINAPI ReadCommands(void* mainThread) {
  const DWORD thread = static_cast<DWORD>(reinterpret_cast<uintptr_t>(mainThread));
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  std::string pending;
  char chunk[256];
  DWORD read = 0;
  while (ReadFile(input, chunk, sizeof chunk, &read, nullptr) && read > 0) {
    pending.append(chunk, read);
    size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
      auto* line = new std::string(pending.substr(0, end));
      if (!line->empty() && line->back() == '\r') line->pop_back();
      pending.erase(0, end + 1);
      PostThreadMessageA(thread, kCommandMessage, 0, reinterpret_cast<LPARAM>(line));
    }
  }
  PostThreadMessageA(thread, kCommandMessage, 0, reinterpret_cast<LPARAM>(new std::string("quit")));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  WebSettings settings = DefaultWebSettings();
  settings.webEnabled = 1;
  settings.requireLogin = 0;
  settings.listenPort = 0;
  int cameraCount = 3;
  int fps = 0;
  int backlog = kWebListenBacklog;
  const char* tlsBase = nullptr;
  int redirectPort = -1;
  WebSecurity security;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--port")) settings.listenPort = static_cast<uint16_t>(std::atoi(argv[i + 1]));
    if (!std::strcmp(argv[i], "--backlog")) backlog = std::atoi(argv[i + 1]);
    if (!std::strcmp(argv[i], "--cameras")) cameraCount = std::atoi(argv[i + 1]);
    if (!std::strcmp(argv[i], "--fps")) fps = std::atoi(argv[i + 1]);
    if (!std::strcmp(argv[i], "--user")) {
      settings.requireLogin = 1;
      CopyText(settings.userName, argv[i + 1]);
    }
    if (!std::strcmp(argv[i], "--password")) CopyText(settings.password, argv[i + 1]);
    if (!std::strcmp(argv[i], "--tls")) tlsBase = argv[i + 1];
    if (!std::strcmp(argv[i], "--redirect-port")) redirectPort = std::atoi(argv[i + 1]);
    if (!std::strcmp(argv[i], "--tls-cert")) security.ownCertificate = CopyText(security.certificatePath, argv[i + 1]);
    if (!std::strcmp(argv[i], "--tls-key")) CopyText(security.keyPath, argv[i + 1]);
  }
  std::shared_ptr<TlsConfig> tls;
  if (tlsBase) {
    std::string error;
    tls = LoadWebTls(security, tlsBase, error);
    if (!tls) {
      Answer("tls-error " + error.substr(0, error.find('\n')));
      return 2;
    }
  }
  PatternCameras cameras(cameraCount);
  // Live cameras: new pictures at `fps` frames per second on this thread, as
  // the camera displays get them.
  HWND ticker = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  if (fps > 0) SetTimer(ticker, 1, static_cast<UINT>(1000 / fps), nullptr);
  Webserver server;
  server.SetBindAddress(INADDR_LOOPBACK);
  server.SetBacklog(backlog);
  server.SetTls(tls);
  if (!ApplyWebSettings(server, nullptr, &cameras, &settings, &ReportBox)) return 1;
  // A port of 0 lets the system choose; later enables keep the chosen one.
  settings.listenPort = server.LocalPort();
  Webserver redirect;
  redirect.SetBindAddress(INADDR_LOOPBACK);
  redirect.SetHttpsRedirect(settings.listenPort);
  if (redirectPort >= 0 && !redirect.Start(static_cast<uint16_t>(redirectPort))) return 1;
  const std::string redirectText = redirectPort >= 0 ? " redirect=" + std::to_string(redirect.LocalPort()) : "";
  Answer("listening port=" + std::to_string(settings.listenPort) + redirectText);

  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue exists before the reader posts
  HANDLE reader = CreateThread(nullptr, 0, ReadCommands,
                               reinterpret_cast<void*>(static_cast<uintptr_t>(GetCurrentThreadId())), 0, nullptr);
  if (reader) CloseHandle(reader);
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.hwnd == ticker && msg.message == WM_TIMER) {
      cameras.NextPictures();
      continue;
    }
    if (msg.hwnd || msg.message != kCommandMessage) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      continue;
    }
    std::unique_ptr<std::string> line(reinterpret_cast<std::string*>(msg.lParam));
    char word[32] = {}, user[260] = {}, password[260] = {};
    std::sscanf(line->c_str(), "%31s %259s %259s", word, user, password);
    const std::string command = word;
    if (command == "quit") break;
    if (command == "status") {
      Answer(Status(server, cameras));
    } else if (command == "tls") {
      Answer("tls fingerprint=" + (tls ? tls->Fingerprint() : std::string()));
    } else if (command == "resources") {
      Answer(Resources());
    } else if (command == "login") {
      settings.requireLogin = 1;
      CopyText(settings.userName, user);
      CopyText(settings.password, password);
      Answer("ok");
    } else if (command == "nologin") {
      settings.requireLogin = 0;
      Answer("ok");
    } else if (command == "disable" || command == "enable") {
      settings.webEnabled = command == "enable";
      bool applied = ApplyWebSettings(server, nullptr, &cameras, &settings, &ReportBox);
      Answer(std::string(applied ? "ok" : "failed") + " listening=" + (server.IsListening() ? "1" : "0"));
    } else {
      Answer("unknown " + command);
    }
  }
  server.Stop();
  DestroyWindow(ticker);
  return 0;
}
