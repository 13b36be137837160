#include "player/player_files_win.h"

#include <atomic>

#include "common/fixed_text.h"

namespace {

std::string Next(std::deque<std::string>& answers) {
  if (answers.empty()) return "";
  std::string answer = answers.front();
  answers.pop_front();
  return answer;
}

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      DeleteFileA((folder + "\\" + name).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
}

}  // namespace

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  char base[MAX_PATH];
  GetTempPathA(MAX_PATH, base);
  char name[MAX_PATH];
  FormatText(name, sizeof name, "%sframedeck_test_%lu_%d", base, GetCurrentProcessId(), counter++);
  path_ = name;
  CreateDirectoryA(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() {
  RemoveTree(path_);
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string FilterList(const char* filter) {
  size_t length = 0;
  while (filter[length] || filter[length + 1]) ++length;
  return std::string(filter, length + 2);
}

std::string ScriptedHost::AskSaveFile(std::string_view name, const char* filter, std::string_view extension) {
  saveCalls.push_back({std::string(name), FilterList(filter), std::string(extension)});
  return Next(saveAnswers);
}

std::string ScriptedHost::AskOpenFile(std::string_view name, const char* filter, std::string_view extension) {
  openCalls.push_back({std::string(name), FilterList(filter), std::string(extension)});
  return Next(openAnswers);
}

ProgressWindow::ProgressWindow()
    : window_(
          CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 200, 20, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr)) {}

ProgressWindow::~ProgressWindow() {
  if (window_) DestroyWindow(window_);
}

std::string ProgressWindow::Text() const {
  char text[256] = "";
  GetWindowTextA(window_, text, sizeof text);
  return text;
}
