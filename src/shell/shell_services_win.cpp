#include "shell/shell_services_win.h"

int ShowMessage(const MessageBoxFn& messageBox, HWND owner, const char* text, const char* title, UINT flags) {
  if (messageBox) return messageBox(owner, text, title, flags);
  return MessageBoxA(owner, text, title, flags);
}
