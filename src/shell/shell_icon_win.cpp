#include "shell/shell_icon_win.h"

HICON LoadShellIcon(bool small) {
  const int size = GetSystemMetrics(small ? SM_CXSMICON : SM_CXICON);
  return static_cast<HICON>(
      LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kShellIcon), IMAGE_ICON, size, size, LR_SHARED));
}

void SetShellIcons(HWND window) {
  SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(LoadShellIcon(false)));
  SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(LoadShellIcon(true)));
}
