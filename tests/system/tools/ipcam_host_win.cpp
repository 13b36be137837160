// Runs one camera worker with the program's own sources for an IP camera
// and reports on stdout what happens, for the system tests. Usage:
//   ipcam_host URL jpeg|mjpeg INTERVAL_MS RECORD_FOLDER SECONDS [PICTURES | RETRY_MS TIMEOUT_MS [ATTEMPTS]]
//     "status <ms> <text>" for every change of the IP dialog's status line
//     (a run of download progress texts only once), "picture <ms> <w>x<h>
//     <checksum>" for every picture the worker received, "end" at the end.
//     Given PICTURES, the run ends once that many arrived, SECONDS being
//     then only the longest it may take.
//     RETRY_MS and TIMEOUT_MS shorten the client's waits; given them, each
//     status line is followed by "handles <count>" (the process's open
//     handles, probed one by one: only the runs that count attempts ask),
//     and the run ends after ATTEMPTS failed attempts (24 unless given),
//     SECONDS being then only the longest it may take. "stop <ms>": how
//     long the worker took to stop.
//   ipcam_host decode FILE...
//     "<w>x<h> <checksum>" of each JPEG file as the client would decode it.
// The checksum is FNV-1a (64 bits) of the 24-bit pixel rows.
#include <windows.h>

#include <atomic>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "common/fixed_text.h"
#include "common/jpeg_codec.h"
#include "engine/cam_wrk_win.h"
#include "engine/frame_slot.h"
#include "sources/ip_cam_dlg_win.h"
#include "sources/source_factory_win.h"

namespace {

constexpr UINT kPictureMessage = WM_APP + 5;
std::mutex outputLock;
LARGE_INTEGER startCounter, frequency;
std::string lastStatus;
HHOOK hook = nullptr;
bool countHandles = false;
// Enough failed attempts for the tests to see a handle leak grow; counted
// rather than timed, so that a loaded machine only makes the run longer.
int failedAttemptsWanted = 24;
std::atomic<int> failedAttempts{0};
// Counted on the main thread, where the pictures arrive.
int picturesWanted = 0;
int picturesReceived = 0;

long long Elapsed() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return (now.QuadPart - startCounter.QuadPart) * 1000 / frequency.QuadPart;
}

// Wine answers GetProcessHandleCount with 0, and enumerating the system's
// handle table while processes come and go can bring its server down. A
// process's handles are small multiples of 4, the lowest free one reused:
// probing the first 512 values finds them all (this one holds about 60).
unsigned long OpenHandles() {
  constexpr uintptr_t kHighestProbed = 0x800;
  unsigned long open = 0;
  for (uintptr_t value = 4; value <= kHighestProbed; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++open;
  }
  return open;
}

uint64_t Checksum(const uint8_t* bytes, size_t length) {
  uint64_t hash = 1469598103934665603ull;
  for (size_t i = 0; i < length; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
  return hash;
}

// On the worker's thread: every text the IP dialog's status line is given.
LRESULT CALLBACK WatchStatus(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (call->message == WM_SETTEXT && call->lParam && GetDlgCtrlID(call->hwnd) == ipcam::kStatus) {
      std::string text = reinterpret_cast<const char*>(call->lParam);
      bool progress = text.rfind("Downloading... ", 0) == 0;
      std::lock_guard<std::mutex> lock(outputLock);
      if (!(progress && lastStatus.rfind("Downloading... ", 0) == 0) && text != lastStatus) {
        std::printf("status %lld %s\n", Elapsed(), text.c_str());
        if (countHandles) std::printf("handles %lu\n", OpenHandles());
        if (text.ends_with(", retry in 5sec")) ++failedAttempts;
        std::fflush(stdout);
      }
      lastStatus = text;
    }
  }
  return CallNextHookEx(hook, code, wParam, lParam);
}

// Times each picture when the worker publishes it, as its delivery was
// timed when the worker handed pictures over itself: the wake-up's own
// delay on this thread is no part of the camera's pace.
class StampedWake final : public Wakeable {
 public:
  StampedWake(HWND window, UINT message) : window_(window), message_(message) {}
  void Wake() override {
    publishedAt_ = Elapsed();
    PostMessageA(window_, message_, 0, 0);
  }
  long long PublishedAt() const { return publishedAt_; }

 private:
  HWND window_;
  UINT message_;
  std::atomic<long long> publishedAt_{0};
};

// The worker's slot and the wake-up it posts here.
std::shared_ptr<FrameSlot> slot;
StampedWake* wake = nullptr;
uint64_t lastSerial = 0;

LRESULT CALLBACK ReceivePicture(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != kPictureMessage || !wake) return DefWindowProcA(hwnd, msg, wParam, lParam);
  const long long published = wake->PublishedAt();
  const SharedFrame frame = slot->Latest();
  if (!frame || frame->serial == lastSerial || !frame->raw) return 0;
  lastSerial = frame->serial;
  const PictureInfo* info = &frame->raw->pictureInfo;
  ++picturesReceived;
  uint64_t sum = Checksum(frame->raw->pixels.data(), info->header.sizeImage);
  std::lock_guard<std::mutex> lock(outputLock);
  std::printf("picture %lld %dx%d %016" PRIx64 "\n", published, static_cast<int>(info->header.width),
              static_cast<int>(info->header.height), sum);
  std::fflush(stdout);
  return 0;
}

int Decode(int count, char** files) {
  for (int i = 0; i < count; ++i) {
    FILE* f = std::fopen(files[i], "rb");
    if (!f) return 3;
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(f);
    Picture picture;
    if (!DecodeJpeg(bytes.data(), bytes.size(), picture)) {
      std::printf("undecodable\n");
      continue;
    }
    std::printf("%dx%d %016" PRIx64 "\n", static_cast<int>(picture.Width()), static_cast<int>(picture.Height()),
                Checksum(picture.pixels.data(), picture.pictureInfo.header.sizeImage));
  }
  return 0;
}

int Run(const char* url, bool stream, int interval, const char* folder, int seconds, IPCamDlg::Options options) {
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&startCounter);
  WNDCLASSA wc{};
  wc.lpfnWndProc = &ReceivePicture;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "IpCamHostReceiver";
  RegisterClassA(&wc);
  HWND receiver = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);

  CameraSourceFactory sources(options);
  CamWrk::Services services;
  services.sources = &sources;
  CamWrk worker(std::move(services));
  // Recorded as pictures, as by a camera from a file before MP4 recording.
  worker.SetInitialExtras(kLoadedRecordingExtras);
  if (!worker.Start()) return 5;
  hook = SetWindowsHookExA(WH_CALLWNDPROC, &WatchStatus, nullptr, GetWindowThreadProcessId(worker.Handle(), nullptr));
  if (!hook) return 6;
  StampedWake pictureWake(receiver, kPictureMessage);
  slot = worker.Slot();
  wake = &pictureWake;
  slot->Subscribe(pictureWake, {.raw = true});

  CamSettings settings = DefaultCamSettings();
  settings.cameraType = kIpCamera;
  CopyText(settings.cameraUrl, url);
  settings.mjpegStream = stream ? 1 : 0;
  settings.ipConnected = 1;
  settings.saveInterval = interval;
  settings.recordEnabled = 1;
  settings.saveAsMjpeg = 1;
  settings.cleanDirectory = 0;
  settings.motionEnabled = 0;
  settings.overlayEnabled = 0;
  FormatText(settings.savePath, sizeof settings.savePath, "%s\\cam.mjpg", folder);
  worker.ApplySettings(settings);

  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
  while (GetTickCount64() < end && !(countHandles && failedAttempts >= failedAttemptsWanted) &&
         !(picturesWanted && picturesReceived >= picturesWanted)) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  const long long stopping = Elapsed();
  slot->Unsubscribe(pictureWake);
  wake = nullptr;
  worker.Stop();
  std::printf("stop %lld\n", Elapsed() - stopping);
  UnhookWindowsHookEx(hook);
  DestroyWindow(receiver);
  std::printf("end\n");
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "decode") == 0) return Decode(argc - 2, argv + 2);
  if (argc < 6 || argc > 9) {
    std::fprintf(stderr,
                 "usage: ipcam_host URL jpeg|mjpeg INTERVAL_MS FOLDER SECONDS [PICTURES | RETRY_MS TIMEOUT_MS "
                 "[ATTEMPTS]] | decode FILE...\n");
    return 2;
  }
  if (argc == 7) picturesWanted = std::atoi(argv[6]);
  IPCamDlg::Options options;
  if (argc >= 8) {
    countHandles = true;
    if (argc == 9) failedAttemptsWanted = std::atoi(argv[8]);
    options.retryDelayMs = static_cast<UINT>(std::atoi(argv[6]));
    options.dataTimeoutMs = static_cast<UINT>(std::atoi(argv[7]));
  }
  return Run(argv[1], std::strcmp(argv[2], "mjpeg") == 0, std::atoi(argv[3]), argv[4], std::atoi(argv[5]), options);
}
