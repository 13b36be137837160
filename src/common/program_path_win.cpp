#include "common/program_path_win.h"

#include <windows.h>

std::string ProgramPath() {
  char path[1024] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  // A result that fills the buffer was cut short.
  if (length == 0 || length >= sizeof path) return {};
  return std::string(path, length);
}

std::string ProgramFolder() {
  std::string path = ProgramPath();
  const size_t slash = path.find_last_of('\\');
  path.resize(slash == std::string::npos ? 0 : slash + 1);
  return path;
}
