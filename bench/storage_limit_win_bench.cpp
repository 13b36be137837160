// Time of one storage-limit pass over a camera's tree of 10,000 recordings
// (100 day folders of 100 files): the usual pass that finds the limits met,
// and a pass that deletes the oldest folder's 100 files and the folder.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "common/fixed_text.h"
#include "common/scoped_handle_win.h"
#include "engine/storage_limit_win.h"

namespace {

constexpr int kFolders = 100;
constexpr int kFilesPerFolder = 100;
constexpr DWORD kFileBytes = 4096;
constexpr std::time_t kNow = 1'800'000'000;

std::string FolderName(const std::string& root, int folder) {
  char name[32];
  FormatText(name, sizeof name, "day%03d\\", folder);
  return root + name;
}

// Older folders hold older files: folder 0 is the oldest.
bool MakeTree(const std::string& root) {
  CreateDirectoryA(root.c_str(), nullptr);
  const std::string bytes(kFileBytes, 'x');
  for (int folder = 0; folder < kFolders; ++folder) {
    const std::string dir = FolderName(root, folder);
    CreateDirectoryA(dir.c_str(), nullptr);
    for (int file = 0; file < kFilesPerFolder; ++file) {
      char name[32];
      FormatText(name, sizeof name, "cam%03d.mjpg", file);
      ScopedKernelHandle handle(
          CreateFileA((dir + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!handle) return false;
      DWORD written = 0;
      WriteFile(handle.Get(), bytes.data(), kFileBytes, &written, nullptr);
      const std::time_t when = kNow - (kFolders - folder) * 86400 + file;
      const uint64_t ticks = static_cast<uint64_t>(when) * 10000000 + 116444736000000000ull;
      const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
      SetFileTime(handle.Get(), nullptr, nullptr, &time);
    }
  }
  return true;
}

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA entry;
  ScopedFindHandle find(FindFirstFileA((folder + "*").c_str(), &entry));
  if (find) do {
      const std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(folder + name + "\\");
      else
        DeleteFileA((folder + name).c_str());
    } while (FindNextFileA(find.Get(), &entry));
  find.Reset();
  RemoveDirectoryA(folder.c_str());
}

double PassMs(const std::string& root, const RecordingExtras& limits, LimitPassResult& result) {
  const auto start = std::chrono::steady_clock::now();
  result = RunLimitPass(root, RecordingNamePattern(root + "day%j\\cam%j.mjpg", false), limits, kNow,
                        root + "day099\\cam099.mjpg");
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  char root[MAX_PATH];
  FormatText(root, sizeof root, "%svr_limit_bench_%lu\\", temp, GetCurrentProcessId());
  const auto built = std::chrono::steady_clock::now();
  if (!MakeTree(root)) {
    std::printf("could not build the tree under %s\n", root);
    return 1;
  }
  std::printf("tree of %d recordings built in %.0f ms\n", kFolders * kFilesPerFolder,
              std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - built).count());

  LimitPassResult result;
  // Limits met: everything is listed and planned, nothing deleted.
  for (int run = 0; run < 3; ++run) {
    const double ms = PassMs(root, {0, 1000, 365}, result);
    std::printf("limit pass, limits met:       %8.1f ms (deleted %zu)\n", ms, result.deleted);
  }
  // 100 days kept of 100: the oldest day's 100 files and its folder go.
  const double ms = PassMs(root, {0, 0, 99}, result);
  std::printf("limit pass, deleting one day: %8.1f ms (deleted %zu, folder removed %s)\n", ms, result.deleted,
              GetFileAttributesA(FolderName(root, 0).c_str()) == INVALID_FILE_ATTRIBUTES ? "yes" : "no");
  RemoveTree(root);
  return 0;
}
