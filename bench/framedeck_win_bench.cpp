// The player on a 1 GiB recording: opening it, seeking and stepping, and
// the edits' byte copy (4096-byte blocks, one message pumped per block)
// against a plain block copy, CopyFileA and the Linux cp of the same file.
// The recording is made here, in a fresh folder that is removed at the end;
// every figure is taken with the file in the page cache.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_timer.h"
#include "common/byte_sink.h"
#include "common/fixed_text.h"
#include "common/jpeg_codec.h"
#include "common/recording_format.h"
#include "common/scoped_handle_win.h"
#include "player/edit_recording_win.h"
#include "player/reader_host_win.h"
#include "player/recording_reader.h"

namespace {

// 1 GiB unless the first argument gives another size in MiB.
int64_t targetSize = 1073741824;
constexpr double kMiB = 1048576.0;

using SteadyClock = std::chrono::steady_clock;
double SecondsSince(SteadyClock::time_point start) {
  return std::chrono::duration<double>(SteadyClock::now() - start).count();
}

class BenchHost : public Win32ReaderHost {
 public:
  void ShowError(std::string_view text) override {
    std::fprintf(stderr, "error: %.*s\n", int(text.size()), text.data());
  }
  std::string AskSaveFile(std::string_view, const char*, std::string_view) override { return output; }
  std::string output;
};

// A 640x480 camera-like frame with its timestamp, about 40 KB.
std::vector<uint8_t> OneFrame() {
  Picture picture = MakePicture(640, 480);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      uint8_t* p = picture.pixels.data() + y * picture.Stride() + x * 3;
      p[0] = static_cast<uint8_t>(x / 3 + y / 5);
      p[1] = static_cast<uint8_t>((x * y) / 97);
      p[2] = static_cast<uint8_t>(((x / 40 + y / 30) % 2) ? 200 : 40);
    }
  std::vector<uint8_t> jpeg;
  EncodeJpeg(picture, 80, jpeg);
  MemorySink sink;
  WriteEncodedFrame(jpeg.data(), jpeg.size(), sink, 1700000000);
  return sink.bytes;
}

// Under Wine the Linux root is drive Z:, so the Linux tools can reach the
// file; elsewhere the temporary folder.
std::string BenchFolder(bool& onUnixDrive) {
  char folder[MAX_PATH];
  FormatText(folder, sizeof folder, "Z:\\tmp\\framedeck_bench_%lu", GetCurrentProcessId());
  onUnixDrive = CreateDirectoryA(folder, nullptr) != FALSE;
  if (onUnixDrive) return folder;
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  FormatText(folder, sizeof folder, "%sframedeck_bench_%lu", temp, GetCurrentProcessId());
  CreateDirectoryA(folder, nullptr);
  return folder;
}

std::string UnixPath(const std::string& path) {
  std::string unix = path.substr(2);
  for (char& c : unix)
    if (c == '\\') c = '/';
  return unix;
}

int64_t WriteRecording(const std::string& path, const std::vector<uint8_t>& frame) {
  std::vector<uint8_t> chunk;
  while (chunk.size() < 4 * 1048576) chunk.insert(chunk.end(), frame.begin(), frame.end());
  ScopedKernelHandle file(
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  int64_t total = 0;
  while (file && total < targetSize) {
    DWORD written = 0;
    if (!WriteFile(file.Get(), chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr)) break;
    total += written;
  }
  return total;
}

double PlainBlockCopy(const std::string& from, const std::string& to) {
  ScopedKernelHandle in(
      CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ScopedKernelHandle out(
      CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  uint8_t block[4096];
  const auto start = SteadyClock::now();
  DWORD got = 0;
  while (ReadFile(in.Get(), block, sizeof block, &got, nullptr) && got > 0) {
    DWORD written = 0;
    WriteFile(out.Get(), block, got, &written, nullptr);
  }
  return SecondsSince(start);
}

// Runs a Linux shell command (Wine starts ELF files itself, but gives no
// handle to wait on), timed until it leaves its marker file; seconds or -1.
double RunUnix(const std::string& command, const std::string& marker) {
  DeleteFileA(marker.c_str());
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string line = "/bin/sh -c \"" + command + " && : > '" + UnixPath(marker) + "'\"";
  const auto start = SteadyClock::now();
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return -1;
  if (process.hThread) CloseHandle(process.hThread);
  if (process.hProcess) CloseHandle(process.hProcess);
  while (GetFileAttributesA(marker.c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (SecondsSince(start) > 300) return -1;
    Sleep(1);
  }
  const double seconds = SecondsSince(start);
  DeleteFileA(marker.c_str());
  return seconds;
}

double PumpCostMicroseconds() {
  MSG message;
  const auto start = SteadyClock::now();
  constexpr int kCalls = 20000;
  for (int i = 0; i < kCalls; ++i) PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);
  return SecondsSince(start) / kCalls * 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::atoi(argv[1]) > 0) targetSize = static_cast<int64_t>(std::atoi(argv[1])) * 1048576;
  bool onUnixDrive = false;
  const std::string folder = BenchFolder(onUnixDrive);
  const std::string path = folder + "\\big.mjpg";
  const std::vector<uint8_t> frame = OneFrame();

  auto start = SteadyClock::now();
  const int64_t size = WriteRecording(path, frame);
  std::printf("recording: %.0f MiB of %zu-byte frames written in %.2f s\n", size / kMiB, frame.size(),
              SecondsSince(start));

  BenchHost host;
  RecordingReader reader(host);
  const double openMs = MedianMsPerOp([&] { reader.Open(path); }, 1, 9);
  std::printf("open the recording: %.3f ms (median of 9)\n", openMs);
  reader.Open(path);

  Picture picture;
  const double firstMs = MedianMsPerOp(
      [&] {
        reader.SeekFraction(0.0);
        DecodeJpeg(reader.ReadNext()->data, static_cast<size_t>(reader.FrameSize()), picture);
      },
      5, 9);
  std::printf("first frame read + decoded: %.3f ms\n", firstMs);

  uint32_t seed = 12345;
  const double seekMs = MedianMsPerOp(
      [&] {
        seed = seed * 1664525u + 1013904223u;
        reader.SeekFraction((seed >> 8) / 16777216.0);
      },
      20, 9);
  std::printf("seek to a random fraction: %.3f ms\n", seekMs);
  const double seekDecodeMs = MedianMsPerOp(
      [&] {
        seed = seed * 1664525u + 1013904223u;
        const std::optional<RecordingFrame> found = reader.SeekFraction((seed >> 8) / 16777216.0);
        if (found) DecodeJpeg(found->data, found->size, picture);
      },
      20, 9);
  std::printf("seek + decode (what the timeline costs): %.3f ms\n", seekDecodeMs);
  reader.SeekFraction(0.5);
  std::printf("step forward: %.3f ms, step back: %.3f ms\n", MedianMsPerOp([&] { reader.ReadNext(); }, 50, 9),
              MedianMsPerOp([&] { reader.ReadPrevious(); }, 50, 9));

  // The edit: extract the whole recording, as the player does, with a
  // progress window whose text changes every block.
  HWND progress =
      CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 300, 20, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  reader.SeekFraction(0.0);
  reader.SetSelectionStart();
  reader.SeekFraction(1.0);
  reader.SetSelectionEnd();
  const double selected = static_cast<double>(reader.SelectionEnd() - reader.SelectionStart());
  host.output = folder + "\\edited.mjpg";
  start = SteadyClock::now();
  EditRecording(reader, progress, EditKind::Extract);
  const double editSeconds = SecondsSince(start);
  DestroyWindow(progress);
  const double blocks = selected / 4096.0;
  std::printf("edit (extract %.0f MiB): %.2f s = %.1f MiB/s, %.1f us per 4096-byte block\n", selected / kMiB,
              editSeconds, selected / kMiB / editSeconds, editSeconds / blocks * 1e6);
  DeleteFileA(host.output.c_str());

  // Where a block's time goes: the same edit over the first 256 MiB with
  // and without a progress window, back to back, twice; then the parts.
  reader.SeekFraction(0.0);
  reader.SetSelectionStart();
  reader.SeekFraction(std::min(1.0, 256 * kMiB / static_cast<double>(size)));
  reader.SetSelectionEnd();
  const double part = static_cast<double>(reader.SelectionEnd() - reader.SelectionStart());
  HWND partProgress =
      CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 300, 20, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  for (int round = 0; round < 2; ++round)
    for (HWND window : {partProgress, static_cast<HWND>(nullptr)}) {
      start = SteadyClock::now();
      EditRecording(reader, window, EditKind::Extract);
      const double seconds = SecondsSince(start);
      std::printf("  %s (%.0f MiB): %.1f MiB/s, %.1f us per block\n",
                  window ? "with progress text" : "without progress", part / kMiB, part / kMiB / seconds,
                  seconds / (part / 4096.0) * 1e6);
      DeleteFileA(host.output.c_str());
    }
  DestroyWindow(partProgress);
  std::printf("  PeekMessageA on an empty queue: %.1f us per call\n", PumpCostMicroseconds());
  HWND text =
      CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 300, 20, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  int counter = 0;
  const double setTextUs =
      MedianMsPerOp(
          [&] {
            char line[64];
            FormatText(line, sizeof line, "Writing output file section 1 of 1... %.2f%%", ++counter / 100.0);
            SetWindowTextA(text, line);
          },
          2000, 5) *
      1000;
  DestroyWindow(text);
  std::printf("  SetWindowTextA of the progress text: %.1f us per call\n", setTextUs);

  const double plain = PlainBlockCopy(path, host.output);
  std::printf("plain 4096-byte block copy, no messages: %.2f s = %.1f MiB/s\n", plain, size / kMiB / plain);
  DeleteFileA(host.output.c_str());

  start = SteadyClock::now();
  if (CopyFileA(path.c_str(), host.output.c_str(), FALSE)) {
    const double seconds = SecondsSince(start);
    std::printf("CopyFileA: %.2f s = %.1f MiB/s\n", seconds, size / kMiB / seconds);
  }
  DeleteFileA(host.output.c_str());

  if (onUnixDrive) {
    const double cp = RunUnix("cp '" + UnixPath(path) + "' '" + UnixPath(host.output) + "'", folder + "\\cp.done");
    if (cp > 0)
      std::printf("cp (Linux, same file): %.2f s = %.1f MiB/s\n", cp, size / kMiB / cp);
    else
      std::printf("cp (Linux): could not be started\n");
    DeleteFileA(host.output.c_str());
  }

  reader.Close();
  DeleteFileA(path.c_str());
  RemoveDirectoryA(folder.c_str());
  return 0;
}
