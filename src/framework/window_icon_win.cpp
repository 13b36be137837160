#include "framework/window_icon_win.h"

HICON LoadWindowIcon(int iconId, bool small) {
  return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconId), IMAGE_ICON,
                                       GetSystemMetrics(small ? SM_CXSMICON : SM_CXICON),
                                       GetSystemMetrics(small ? SM_CYSMICON : SM_CYICON), LR_SHARED));
}

void SetWindowIcons(HWND window, int iconId) {
  SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(LoadWindowIcon(iconId, false)));
  SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(LoadWindowIcon(iconId, true)));
}
