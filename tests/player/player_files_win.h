#pragma once
// Real files for the player's Win32 tests: a private temporary folder and
// a reader host whose choosers and boxes answer from a script.

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "player/reader_host_win.h"
#include "support/temp_folder_win.h"

inline bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

struct DialogCall {
  std::string defaultName;
  std::string filter;
  std::string extension;
};

class ScriptedHost : public Win32ReaderHost {
 public:
  void ShowError(std::string_view text) override { errors.emplace_back(text); }
  std::string AskSaveFile(std::string_view name, const char* filter, std::string_view extension) override;
  std::string AskOpenFile(std::string_view name, const char* filter, std::string_view extension) override;

  std::deque<std::string> saveAnswers;
  std::deque<std::string> openAnswers;
  std::vector<DialogCall> saveCalls;
  std::vector<DialogCall> openCalls;
  std::vector<std::string> errors;
};

// The whole NUL-separated filter list, its final empty text included.
std::string FilterList(const char* filter);

// A hidden static control standing in for the status line.
class ProgressWindow {
 public:
  ProgressWindow();
  ~ProgressWindow();
  HWND Handle() const { return window_; }
  std::string Text() const;

 private:
  HWND window_;
};
