#include "shell/popup_menu_win.h"

#include <memory>

void PopupMenu(HWND window, int menuId) {
  SetForegroundWindow(window);
  POINT cursor{};
  GetCursorPos(&cursor);
  std::unique_ptr<std::remove_pointer_t<HMENU>, decltype(&DestroyMenu)> menu(
      LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(menuId)), &DestroyMenu);
  if (!menu) return;
  HMENU popup = GetSubMenu(menu.get(), 0);
  if (popup) TrackPopupMenu(popup, 0, cursor.x, cursor.y, 0, window, nullptr);
  // Without this the menu would not close when the user clicks elsewhere.
  PostMessageA(window, WM_NULL, 0, 0);
}
