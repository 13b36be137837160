// Finds the camera program's windows from outside, posts commands to them
// and photographs them. Usage:
//   window_tool state                 prints "main=<0|1> visible=<0|1> app=<0|1> front=<0|1>"
//   window_tool command ID            posts WM_COMMAND ID to the main window
//   window_tool close                 posts the close button (SC_CLOSE)
//   window_tool shot PATH.bmp         saves the main window as a 24-bit BMP
//   window_tool place [TITLE]         prints "x y width height clientWidth clientHeight
//                                     workX workY workWidth workHeight" of the main window
//                                     or of the top-level window titled TITLE
//   window_tool shotof TITLE PATH.bmp saves the window titled TITLE
//   window_tool texts TITLE           prints the texts of that window's controls, one a line
//   window_tool press TITLE ID        clicks button ID of that window (BM_CLICK, posted)
//   window_tool settext TITLE ID TEXT puts TEXT into control ID of that window
//   window_tool tray-menu KEY         right-clicks the tray icon (its notification
//                                     message) and picks the menu item whose
//                                     accelerator is KEY
// Exit code 0 on success, 1 when the window is missing, 2 on bad usage,
// 3 when the tray menu did not open.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/scoped_handle_win.h"
#include "shell/main_dlg_win.h"

namespace {

HWND MainWindow() {
  return FindWindowA("#32770", "Vorrandale");
}

HWND ApplicationWindow() {
  return FindWindowA("VorrandaleWindowClass", "Vorrandale");
}

bool WriteBmp(const char* path, int width, int height, const std::vector<uint8_t>& pixels) {
  const DWORD stride = static_cast<DWORD>(width) * 3;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biSizeImage = stride * static_cast<DWORD>(height);
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + info.biSizeImage;
  FILE* out = std::fopen(path, "wb");
  if (!out) return false;
  bool ok = std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(&info, sizeof info, 1, out) == 1 &&
            std::fwrite(pixels.data(), 1, pixels.size(), out) == pixels.size();
  return std::fclose(out) == 0 && ok;
}

// Copies the window's area of the screen, children included.
int Shot(HWND window, const char* path) {
  RECT rect{};
  GetWindowRect(window, &rect);
  const int width = (rect.right - rect.left) & ~3;  // rows need no padding
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return 1;
  HDC screen = GetDC(nullptr);
  ScopedMemoryDc memory(CreateCompatibleDC(screen));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  ScopedBitmap bitmap(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap) {
    ReleaseDC(nullptr, screen);
    return 1;
  }
  HGDIOBJ old = SelectObject(memory.Get(), bitmap.Get());
  BitBlt(memory.Get(), 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  GdiFlush();
  const auto* start = static_cast<const uint8_t*>(bits);
  std::vector<uint8_t> pixels(start, start + static_cast<size_t>(width) * 3 * height);
  SelectObject(memory.Get(), old);
  ReleaseDC(nullptr, screen);
  return WriteBmp(path, width, height, pixels) ? 0 : 1;
}

int Place(HWND window) {
  RECT outer{}, client{};
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& work = monitor.rcWork;
  std::printf("%ld %ld %ld %ld %ld %ld %ld %ld %ld %ld\n", outer.left, outer.top, outer.right - outer.left,
              outer.bottom - outer.top, client.right, client.bottom, work.left, work.top, work.right - work.left,
              work.bottom - work.top);
  return 0;
}

BOOL CALLBACK PrintWindowSeen(HWND window, LPARAM) {
  char title[256] = "", kind[64] = "";
  GetWindowTextA(window, title, sizeof title);
  GetClassNameA(window, kind, sizeof kind);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  std::printf("seen=%04lx visible=%d class=%s title=%s\n", process, IsWindowVisible(window) ? 1 : 0, kind, title);
  return TRUE;
}

BOOL CALLBACK PrintText(HWND control, LPARAM) {
  char text[1024] = {};
  GetWindowTextA(control, text, sizeof text);
  std::printf("%s\n", text);
  return TRUE;
}

// The menu runs its own loop on the program's main thread, which reads the
// keyboard messages of every window of that thread.
int PickTrayMenuItem(HWND main, char key) {
  if (!PostMessageA(main, kTrayNotifyMessage, 0, WM_RBUTTONUP)) return 1;
  for (int tries = 0; tries < 100; ++tries) {
    HWND menu = FindWindowA("#32768", nullptr);
    if (menu && IsWindowVisible(menu)) return PostMessageA(main, WM_CHAR, static_cast<WPARAM>(key), 0) ? 0 : 1;
    Sleep(100);
  }
  return 3;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const char* verb = argv[1];
  HWND main = MainWindow();
  if (std::strcmp(verb, "state") == 0) {
    std::printf("main=%d visible=%d app=%d front=%d\n", main != nullptr, main && IsWindowVisible(main),
                ApplicationWindow() != nullptr, main && GetForegroundWindow() == main);
    return 0;
  }
  const bool ofTitledWindow = std::strcmp(verb, "place") == 0 || std::strcmp(verb, "shotof") == 0 ||
                              std::strcmp(verb, "texts") == 0 || std::strcmp(verb, "press") == 0 ||
                              std::strcmp(verb, "settext") == 0;
  if (argc >= 3 && ofTitledWindow) {
    HWND titled = FindWindowA(nullptr, argv[2]);
    if (!titled) {
      // Says why for the test's log: which windows there were instead.
      EnumWindows(&PrintWindowSeen, 0);
      return 1;
    }
    if (std::strcmp(verb, "place") == 0) return Place(titled);
    if (std::strcmp(verb, "shotof") == 0 && argc == 4) return Shot(titled, argv[3]);
    if (std::strcmp(verb, "texts") == 0) {
      EnumChildWindows(titled, PrintText, 0);
      return 0;
    }
    if (std::strcmp(verb, "press") == 0 && argc == 4) {
      HWND button = GetDlgItem(titled, std::atoi(argv[3]));
      if (button && PostMessageA(button, BM_CLICK, 0, 0)) return 0;
      std::printf("button=%d error=%lu\n", button != nullptr, GetLastError());
      return 1;
    }
    if (std::strcmp(verb, "settext") == 0 && argc == 5) {
      HWND control = GetDlgItem(titled, std::atoi(argv[3]));
      DWORD_PTR result = 0;
      return control && SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4]), SMTO_ABORTIFHUNG,
                                            10000, &result)
                 ? 0
                 : 1;
    }
    return 2;
  }
  if (!main) return 1;
  if (std::strcmp(verb, "place") == 0) return Place(main);
  if (std::strcmp(verb, "command") == 0 && argc == 3) {
    return PostMessageA(main, WM_COMMAND, static_cast<WPARAM>(std::atoi(argv[2])), 0) ? 0 : 1;
  }
  if (std::strcmp(verb, "close") == 0) return PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0) ? 0 : 1;
  if (std::strcmp(verb, "shot") == 0 && argc == 3) return Shot(main, argv[2]);
  if (std::strcmp(verb, "tray-menu") == 0 && argc == 3 && argv[2][0]) return PickTrayMenuItem(main, argv[2][0]);
  return 2;
}
