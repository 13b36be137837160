#pragma once
// A window's title-bar and task-bar icon from one icon resource of the program.

#include <windows.h>

// The icon resource at the system's large or small size; shared, never destroyed.
HICON LoadWindowIcon(int iconId, bool small);
// Sets both the big and the small icon of a window.
void SetWindowIcons(HWND window, int iconId);
