#pragma once
// What the shell's tests under Wine share: captured message boxes, menus
// and tray icon calls, a configuration path in a fresh folder, and a script of steps for modal dialogs.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "shell/shell_services_win.h"
#include "support/temp_folder_win.h"
#include "support/test_pictures.h"

struct ShownBox {
  HWND owner;
  std::string text;
  std::string title;
  UINT flags;
};

// One Shell_NotifyIconA call, with the record as it was passed.
struct TrayCall {
  DWORD message;
  NOTIFYICONDATAA icon;
};

class ShellCapture {
 public:
  ShellCapture() : folder_("vr_shell") {}
  ShellServices Services() {
    ShellServices services;
    services.messageBox = [this](HWND owner, const char* text, const char* title, UINT flags) {
      boxes.push_back({owner, text, title, flags});
      return IDOK;
    };
    services.popup = [this](HWND, int menuId) { menus.push_back(menuId); };
    services.notifyIcon = [this](DWORD message, NOTIFYICONDATAA* icon) {
      trayCalls.push_back({message, *icon});
      return TRUE;
    };
    services.configPath = ConfigFile();
    services.openFolder = [this](HWND, const char* folder) {
      openedFolders.push_back(folder);
      return folderOpens;
    };
    return services;
  }
  std::string ConfigFile() const { return folder_.At("Vorrandale.cfg"); }
  const TempFolder& Folder() const { return folder_; }

  std::vector<ShownBox> boxes;
  std::vector<int> menus;
  std::vector<std::string> openedFolders;
  bool folderOpens = true;
  std::vector<TrayCall> trayCalls;

 private:
  TempFolder folder_;
};

// Runs each step in turn from a timer while a modal dialog's own loop
// pumps messages; a step returning false is tried again on the next tick.
class DialogScript {
 public:
  explicit DialogScript(std::vector<std::function<bool()>> steps);
  ~DialogScript();
  bool Finished() const { return next_ >= steps_.size(); }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  std::vector<std::function<bool()>> steps_;
  size_t next_ = 0;
  UINT_PTR timer_ = 0;
};
