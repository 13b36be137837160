// Asks the shell and the system about installed programs. Usage:
//   shell_tool open PATH        ShellExecuteA "open" on PATH, as the camera program
//                               opens a recording; prints result=N
//   shell_tool close TITLE      finds the top-level window titled exactly TITLE,
//                               prints image=<its program's path>, closes it and
//                               waits for that program to end; prints exit=N
//   shell_tool version PATH     prints file=, product= (the fixed version
//                               numbers) and text= (the ProductVersion string)
//   shell_tool answer TITLE TEXT ID
//                               waits for a top-level window whose title starts
//                               with TITLE and that shows TEXT somewhere inside,
//                               and presses its button ID (posts the command)
// Exit code 0 on success, 1 on failure, 2 on bad usage.
#include <windows.h>
// After windows.h.
#include <objbase.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/scoped_handle_win.h"

namespace {

int Open(const char* path) {
  // As the shell asks of its callers: some handlers are COM objects.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const auto result = reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", path, nullptr, nullptr, SW_SHOWNORMAL));
  std::printf("result=%lld\n", static_cast<long long>(result));
  return result > 32 ? 0 : 1;
}

int Close(const char* title) {
  HWND window = nullptr;
  for (int tries = 0; tries < 150 && !window; ++tries) {
    window = FindWindowA(nullptr, title);
    if (!window) Sleep(200);
  }
  if (!window) return 1;
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  ScopedKernelHandle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process) return 1;
  char image[MAX_PATH] = "";
  DWORD size = sizeof image;
  QueryFullProcessImageNameA(process.Get(), 0, image, &size);
  std::printf("image=%s\n", image);
  PostMessageA(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.Get(), 30000) != WAIT_OBJECT_0) return 1;
  DWORD code = 0;
  GetExitCodeProcess(process.Get(), &code);
  std::printf("exit=%lu\n", static_cast<unsigned long>(code));
  return 0;
}

int Version(const char* path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
  if (size == 0) return 1;
  std::vector<char> block(size);
  if (!GetFileVersionInfoA(path, 0, size, block.data())) return 1;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || length < sizeof *fixed)
    return 1;
  char* text = nullptr;
  if (!VerQueryValueA(block.data(), "\\StringFileInfo\\040904B0\\ProductVersion", reinterpret_cast<void**>(&text),
                      &length))
    return 1;
  const auto print = [](const char* name, DWORD high, DWORD low) {
    std::printf("%s=%u.%u.%u.%u\n", name, HIWORD(high), LOWORD(high), HIWORD(low), LOWORD(low));
  };
  print("file", fixed->dwFileVersionMS, fixed->dwFileVersionLS);
  print("product", fixed->dwProductVersionMS, fixed->dwProductVersionLS);
  std::printf("text=%s\n", text);
  return 0;
}

struct Question {
  const char* title;
  const char* text;
  HWND found;
};

BOOL CALLBACK HasText(HWND child, LPARAM data) {
  auto* question = reinterpret_cast<Question*>(data);
  char text[1024] = "";
  GetWindowTextA(child, text, sizeof text);
  if (!std::strstr(text, question->text)) return TRUE;
  question->found = child;
  return FALSE;
}

BOOL CALLBACK Asks(HWND window, LPARAM data) {
  auto* question = reinterpret_cast<Question*>(data);
  char title[256] = "";
  GetWindowTextA(window, title, sizeof title);
  if (!IsWindowVisible(window) || std::strncmp(title, question->title, std::strlen(question->title)) != 0) return TRUE;
  EnumChildWindows(window, &HasText, data);
  if (!question->found) return TRUE;
  question->found = window;
  return FALSE;
}

int Answer(const char* title, const char* text, int buttonId) {
  Question question{title, text, nullptr};
  for (int tries = 0; tries < 150 && !question.found; ++tries) {
    EnumWindows(&Asks, reinterpret_cast<LPARAM>(&question));
    if (!question.found) Sleep(200);
  }
  if (!question.found) return 1;
  HWND button = GetDlgItem(question.found, buttonId);
  return PostMessageA(question.found, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), reinterpret_cast<LPARAM>(button))
             ? 0
             : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "answer") == 0) return Answer(argv[2], argv[3], std::atoi(argv[4]));
  if (argc != 3) return 2;
  const char* verb = argv[1];
  int result = 2;
  if (std::strcmp(verb, "open") == 0) result = Open(argv[2]);
  if (std::strcmp(verb, "close") == 0) result = Close(argv[2]);
  if (std::strcmp(verb, "version") == 0) result = Version(argv[2]);
  std::fflush(stdout);
  return result;
}
