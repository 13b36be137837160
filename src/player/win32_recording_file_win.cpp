#include "player/win32_recording_file_win.h"

#include <algorithm>
#include <limits>

std::unique_ptr<Win32RecordingFile> Win32RecordingFile::Open(const std::string& path) {
  ScopedKernelHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return nullptr;
  return std::make_unique<Win32RecordingFile>(std::move(file));
}

int64_t Win32RecordingFile::Size() {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file_.Get(), &size)) return -1;
  return size.QuadPart;
}

size_t Win32RecordingFile::ReadAt(int64_t offset, uint8_t* buffer, size_t count) {
  if (offset < 0) return 0;
  LARGE_INTEGER to{};
  to.QuadPart = offset;
  if (!SetFilePointerEx(file_.Get(), to, nullptr, FILE_BEGIN)) return 0;
  size_t total = 0;
  while (total < count) {
    const DWORD ask = static_cast<DWORD>(std::min<size_t>(count - total, std::numeric_limits<DWORD>::max() / 2));
    DWORD got = 0;
    if (!ReadFile(file_.Get(), buffer + total, ask, &got, nullptr) || got == 0) break;
    total += got;
  }
  return total;
}

bool IsSameFile(HANDLE open, const std::string& path) {
  if (!open || open == INVALID_HANDLE_VALUE) return false;
  ScopedKernelHandle other(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!other) return false;
  BY_HANDLE_FILE_INFORMATION a{};
  BY_HANDLE_FILE_INFORMATION b{};
  if (!GetFileInformationByHandle(open, &a) || !GetFileInformationByHandle(other.Get(), &b)) return false;
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}
