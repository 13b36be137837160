#include "engine/save_path_win.h"

#include <string>
#include <vector>

namespace {

bool IsFolder(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

class DiskFolderMaker final : public FolderMaker {
 public:
  bool Exists(const std::string& path) override { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

  Result Make(const std::string& folder) override {
    if (CreateDirectoryA(folder.c_str(), nullptr)) return Result::kCreated;
    if (GetLastError() == ERROR_ALREADY_EXISTS) return Result::kAlreadyExists;
    // Some existing folders (drive roots of network drives, folders the
    // user may not write to) answer with another error.
    return IsFolder(folder) ? Result::kAlreadyExists : Result::kFailed;
  }

  void Pause(unsigned milliseconds) override { Sleep(milliseconds); }
};

uint64_t LastWriteTime(std::string_view path, uint32_t number) {
  char name[kTextSize];
  if (NumberedName(path, number, name) != NumberedNameResult::kOk) return 0;
  ScopedKernelHandle file(
      CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 0;
  FILETIME written{};
  if (!GetFileTime(file.Get(), nullptr, nullptr, &written)) return 0;
  return static_cast<uint64_t>(written.dwHighDateTime) << 32 | written.dwLowDateTime;
}

}  // namespace

bool CreateSaveDirectories(std::string_view path) {
  DiskFolderMaker maker;
  return CreateSaveDirectories(path, maker);
}

void CleanSaveDirectory(std::string_view path) {
  if (path.find('\\') == std::string_view::npos) return;
  std::string folder(SaveFolderOf(path));
  std::string pattern = folder + "\\*.*jp*g";

  // Names first, deleting after the listing is closed.
  std::vector<std::string> doomed;
  WIN32_FIND_DATAA entry;
  ScopedFindHandle find(FindFirstFileA(pattern.c_str(), &entry));
  if (!find) return;
  do {
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    std::string_view name(entry.cFileName);
    if (name == "." || name == "..") continue;
    // The listing also matches the short 8.3 name ("notes.jpgx" as
    // "NOTES~1.JPG"); only the real name counts.
    if (!IsRecordingFileName(name)) continue;
    doomed.push_back(folder + "\\" + entry.cFileName);
  } while (FindNextFileA(find.Get(), &entry));
  find.Reset();

  for (const std::string& file : doomed) DeleteFileA(file.c_str());
}

uint32_t FindStartNumber(std::string_view path, int32_t maxJpegCount) {
  return PickStartNumber(maxJpegCount, [path](uint32_t number) { return LastWriteTime(path, number); });
}

ScopedKernelHandle OpenNumberedPicture(const char* name) {
  // Opened, then cut, rather than CREATE_ALWAYS, which refuses an existing
  // hidden or system file.
  ScopedKernelHandle file(CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return file;
  if (!SetEndOfFile(file.Get())) file.Reset();
  return file;
}
