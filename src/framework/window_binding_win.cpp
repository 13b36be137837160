#include "framework/window_binding_win.h"

void* BoundObjectOf(HWND window, UINT binding, UINT message, LPARAM lParam) {
  if (message == binding) {
    void* object = binding == WM_NCCREATE ? reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpCreateParams
                                          : reinterpret_cast<void*>(lParam);
    Rebind(window, object);
    return object;
  }
  if (message == WM_NCDESTROY) return reinterpret_cast<void*>(SetWindowLongPtrA(window, GWLP_USERDATA, 0));
  return reinterpret_cast<void*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void Rebind(HWND window, void* object) {
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
}
