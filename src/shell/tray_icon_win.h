#pragma once
// The program's icon in the taskbar's notification area: its tip, its
// balloon, and putting it back when Explorer makes a new taskbar.

// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <functional>

class SystemTrayIcon {
 public:
  // The shell call; null: Shell_NotifyIconA.
  using Notify = std::function<BOOL(DWORD message, NOTIFYICONDATAA* icon)>;

  explicit SystemTrayIcon(Notify notify) : notify_(std::move(notify)) {}
  // Removes the icon if it is still shown.
  ~SystemTrayIcon();
  SystemTrayIcon(const SystemTrayIcon&) = delete;
  SystemTrayIcon& operator=(const SystemTrayIcon&) = delete;

  // Shows the icon; its clicks reach window as callbackMessage.
  void Add(HWND window, UINT callbackMessage, HICON icon, const char* tip);
  // Explorer broadcast that it made a new taskbar, which forgets every icon:
  // true for that message, after the icon (if shown) is put back.
  bool OnTaskbarCreated(UINT message);
  void ShowBalloon(const char* title, const char* text);
  void Remove();

 private:
  void Send(DWORD message);
  void AddAgain();

  Notify notify_;
  NOTIFYICONDATAA data_{};
  const UINT taskbarCreatedMessage_ = RegisterWindowMessageA("TaskbarCreated");
};
