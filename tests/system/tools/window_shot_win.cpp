// Finds a program's top-level window by the start of its title, waits
// until a child control shows something other than grey, and saves the
// window as it is on the screen into a 24-bit BMP. Usage:
//   window_shot TITLE_PREFIX CONTROL_ID OUT.bmp [close]
// Prints title=, window=, control= (screen rectangles) and centre=RRGGBB
// (the control's middle pixel); with "close" it then sends WM_CLOSE.
// Exit 0 when found and saved, 3 when no such window appeared in 30 s (it
// then lists the visible top-level windows it saw, with their process ids).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/scoped_handle_win.h"

namespace {

struct Search {
  const char* prefix;
  HWND found;
};

BOOL CALLBACK Visit(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  char title[512] = "";
  GetWindowTextA(window, title, sizeof title);
  if (IsWindowVisible(window) && std::strncmp(title, search->prefix, std::strlen(search->prefix)) == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// The screen's pixels of a rectangle, bottom-up BGR rows padded to 4 bytes.
struct Shot {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
  uint32_t Rgb(int x, int y) const {
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
    const uint8_t* p = pixels.data() + static_cast<size_t>(height - 1 - y) * stride + static_cast<size_t>(x) * 3;
    return (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[0];
  }
};

Shot Capture(const RECT& area) {
  Shot shot;
  shot.width = area.right - area.left;
  shot.height = area.bottom - area.top;
  if (shot.width <= 0 || shot.height <= 0) return shot;
  HDC screen = GetDC(nullptr);
  ScopedMemoryDc memory(CreateCompatibleDC(screen));
  ScopedBitmap bitmap(CreateCompatibleBitmap(screen, shot.width, shot.height));
  {
    SelectedObject selected(memory.Get(), bitmap.Get());
    BitBlt(memory.Get(), 0, 0, shot.width, shot.height, screen, area.left, area.top, SRCCOPY);
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = shot.width;
  info.bmiHeader.biHeight = shot.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  shot.pixels.resize((static_cast<size_t>(shot.width) * 3 + 3) / 4 * 4 * shot.height);
  GetDIBits(memory.Get(), bitmap.Get(), 0, shot.height, shot.pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return shot;
}

bool SaveBmp(const char* path, const Shot& shot) {
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = shot.width;
  header.biHeight = shot.height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(shot.pixels.size());
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + header.biSizeImage;
  FILE* out = std::fopen(path, "wb");
  if (!out) return false;
  bool ok = std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(&header, sizeof header, 1, out) == 1 &&
            std::fwrite(shot.pixels.data(), 1, shot.pixels.size(), out) == shot.pixels.size();
  ok = std::fclose(out) == 0 && ok;
  return ok;
}

BOOL CALLBACK PrintVisible(HWND window, LPARAM) {
  char title[512] = "";
  GetWindowTextA(window, title, sizeof title);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (IsWindowVisible(window)) std::printf("seen=%04lx %s\n", process, title);
  return TRUE;
}

RECT Centre(const RECT& area) {
  const LONG x = (area.left + area.right) / 2, y = (area.top + area.bottom) / 2;
  return RECT{x, y, x + 1, y + 1};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: window_shot TITLE_PREFIX CONTROL_ID OUT.bmp [close]\n");
    return 2;
  }
  Search search{argv[1], nullptr};
  const int controlId = std::atoi(argv[2]);
  const DWORD start = GetTickCount();
  HWND control = nullptr;
  RECT controlArea{};
  uint32_t centre = 0x808080;
  while (GetTickCount() - start < 30000) {
    search.found = nullptr;
    EnumWindows(&Visit, reinterpret_cast<LPARAM>(&search));
    if (search.found && (control = GetDlgItem(search.found, controlId)) != nullptr) {
      GetWindowRect(control, &controlArea);
      centre = Capture(Centre(controlArea)).Rgb(0, 0);
      if (centre != 0x808080 && centre != 0) break;  // painted with something
    }
    Sleep(200);
  }
  if (!search.found || !control) {
    EnumWindows(&PrintVisible, 0);
    return 3;
  }
  // Let a repaint in progress finish before the whole window is taken.
  Sleep(300);
  RECT windowArea{};
  GetWindowRect(search.found, &windowArea);
  GetWindowRect(control, &controlArea);
  const Shot shot = Capture(windowArea);
  centre = Capture(Centre(controlArea)).Rgb(0, 0);
  char title[512] = "";
  GetWindowTextA(search.found, title, sizeof title);
  std::printf("title=%s\n", title);
  std::printf("window=%ld,%ld,%ld,%ld\n", windowArea.left, windowArea.top, windowArea.right, windowArea.bottom);
  std::printf("control=%ld,%ld,%ld,%ld\n", controlArea.left, controlArea.top, controlArea.right, controlArea.bottom);
  std::printf("centre=%06X\n", static_cast<unsigned>(centre));
  std::fflush(stdout);
  if (!SaveBmp(argv[3], shot)) return 4;
  if (argc == 5 && std::strcmp(argv[4], "close") == 0) PostMessageA(search.found, WM_CLOSE, 0, 0);
  return 0;
}
