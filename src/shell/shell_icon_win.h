#pragma once
// The program's icon (resource 199) on its windows.

#include <windows.h>

inline constexpr int kShellIcon = 199;

// The icon at the system's large or small size; shared, never destroyed.
HICON LoadShellIcon(bool small);
// Sets both the big and the small icon of a window.
void SetShellIcons(HWND window);
