#include "web/web_files_win.h"

#include <windows.h>

#include "common/scoped_handle_win.h"

std::string ProgramWebFolder() {
  char path[1024] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path - 1);
  if (length == 0 || length >= sizeof path - 1) return {};
  std::string folder(path, length);
  size_t slash = folder.find_last_of('\\');
  folder.resize(slash == std::string::npos ? 0 : slash);
  return folder + "\\Webserver\\";
}

bool WebFolderFiles::ReadFile(std::string_view relativePath, std::string& content) {
  if (folder_.empty()) return false;
  std::string path = folder_;
  path.append(relativePath);
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
