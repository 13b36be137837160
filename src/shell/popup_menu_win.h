#pragma once
// Shows the first submenu of a menu resource at the cursor, owned by a
// window that receives its command.

#include <windows.h>

void PopupMenu(HWND window, int menuId);
