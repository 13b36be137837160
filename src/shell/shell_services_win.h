#pragma once
// What the main window reaches outside itself, gathered so that tests can
// stand in: message boxes, pop-up menus, the tray icon, the configuration
// path, the cameras' capture sources and the dialogs of other parts of the
// program.

// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <functional>
#include <string>

class CamWnd;
class SourceFactory;

using MessageBoxFn = std::function<int(HWND owner, const char* text, const char* title, UINT flags)>;
// The flags of every configuration, layout and web server error box.
inline constexpr UINT kErrorBoxFlags = MB_ICONEXCLAMATION | MB_TOPMOST;

struct ShellServices {
  MessageBoxFn messageBox;                                               // null: MessageBoxA
  std::function<void(HWND window, int menuId)> popup;                    // null: PopupMenu
  std::function<BOOL(DWORD message, NOTIFYICONDATAA* icon)> notifyIcon;  // null: Shell_NotifyIconA
  std::string configPath;                                                // empty: ConfigPath()
  SourceFactory* sources = nullptr;                                      // null: the program's own sources
  // The camera setup dialog for camera `index`; its result (1 for OK).
  std::function<INT_PTR(HWND owner, CamWnd& camera, int index)> setupDialog;
  // Opens a folder in the shell; false when it could not. Null: ShellExecuteA.
  std::function<bool(HWND owner, const char* folder)> openFolder;
};

int ShowMessage(const MessageBoxFn& messageBox, HWND owner, const char* text, const char* title, UINT flags);
