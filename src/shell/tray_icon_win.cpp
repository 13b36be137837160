#include "shell/tray_icon_win.h"

#include "common/fixed_text.h"

namespace {
constexpr UINT kBalloonMs = 5000;
}  // namespace

SystemTrayIcon::~SystemTrayIcon() {
  if (data_.hWnd) Send(NIM_DELETE);
}

void SystemTrayIcon::Add(HWND window, UINT callbackMessage, HICON icon, const char* tip) {
  data_.cbSize = sizeof data_;
  data_.hWnd = window;
  data_.uID = 0;
  data_.uCallbackMessage = callbackMessage;
  data_.hIcon = icon;
  CopyText(data_.szTip, tip);
  AddAgain();
}

bool SystemTrayIcon::OnTaskbarCreated(UINT message) {
  if (message != taskbarCreatedMessage_) return false;
  if (data_.hWnd) AddAgain();
  return true;
}

void SystemTrayIcon::ShowBalloon(const char* title, const char* text) {
  data_.uFlags = NIF_INFO;
  data_.uTimeout = kBalloonMs;
  data_.dwInfoFlags = NIIF_INFO;
  CopyText(data_.szInfoTitle, title);
  CopyText(data_.szInfo, text);
  Send(NIM_MODIFY);
}

void SystemTrayIcon::Remove() {
  Send(NIM_DELETE);
  data_.hWnd = nullptr;
}

void SystemTrayIcon::AddAgain() {
  data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  Send(NIM_ADD);
}

void SystemTrayIcon::Send(DWORD message) {
  if (notify_)
    notify_(message, &data_);
  else
    Shell_NotifyIconA(message, &data_);
}
