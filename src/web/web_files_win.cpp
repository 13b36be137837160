#include "web/web_files_win.h"

#include "common/program_path_win.h"
#include "common/scoped_handle_win.h"

namespace {
uint64_t Join(DWORD high, DWORD low) {
  return (static_cast<uint64_t>(high) << 32) | low;
}

bool ReadWholeFile(const std::string& path, std::string& content) {
  ScopedKernelHandle file(
      CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 ||
      static_cast<unsigned long long>(size.QuadPart) > content.max_size()) {
    return false;
  }
  content.assign(static_cast<size_t>(size.QuadPart), '\0');
  size_t filled = 0;
  while (filled < content.size()) {
    size_t want = content.size() - filled;
    DWORD chunk = static_cast<DWORD>(want < 4096 ? want : 4096);
    DWORD read = 0;
    if (!::ReadFile(file.Get(), content.data() + filled, chunk, &read, nullptr) || read == 0) break;
    filled += read;
  }
  content.resize(filled);
  return true;
}
}  // namespace

std::string ProgramWebFolder() {
  const std::string folder = ProgramFolder();
  return folder.empty() ? folder : folder + "Webserver\\";
}

bool WebFolderFiles::ReadFile(std::string_view relativePath, std::string& content) {
  if (folder_.empty()) return false;
  std::string path = folder_;
  path.append(relativePath);
  // Asking for the attributes needs no open handle (under Wine no trip to
  // the wineserver), unlike opening, reading and closing the file.
  WIN32_FILE_ATTRIBUTE_DATA info{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    cache_.erase(path);
    return false;
  }
  const uint64_t lastWrite = Join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
  const uint64_t size = Join(info.nFileSizeHigh, info.nFileSizeLow);
  auto found = cache_.find(path);
  if (found != cache_.end() && found->second.lastWrite == lastWrite && found->second.size == size) {
    content = found->second.content;
    return true;
  }
  if (!ReadWholeFile(path, content)) {
    if (found != cache_.end()) cache_.erase(found);
    return false;
  }
  if (content.size() != size || size > kCachedWebFileBytes) return true;
  if (found == cache_.end()) {
    if (cache_.size() >= kCachedWebFiles) cache_.clear();
    found = cache_.emplace(std::move(path), Cached{}).first;
  }
  found->second = Cached{lastWrite, size, content};
  return true;
}
