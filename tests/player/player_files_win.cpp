#include "player/player_files_win.h"

namespace {

std::string Next(std::deque<std::string>& answers) {
  if (answers.empty()) return "";
  std::string answer = answers.front();
  answers.pop_front();
  return answer;
}

}  // namespace

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
