#include "framework/subclassed_control_win.h"

// Needs <windows.h> first.
#include <commctrl.h>

// Each object is its own link of the chain (its address the link's id), so
// two objects on one control never replace each other.
bool SubclassedControl::Attach(HWND control) {
  Detach();
  if (!control) return false;
  const auto id = reinterpret_cast<UINT_PTR>(this);
  if (!SetWindowSubclass(control, &SubclassedControl::SubclassProc, id, reinterpret_cast<DWORD_PTR>(this)))
    return false;
  window_ = control;
  return true;
}

void SubclassedControl::Detach() {
  if (!window_) return;
  RemoveWindowSubclass(window_, &SubclassedControl::SubclassProc, reinterpret_cast<UINT_PTR>(this));
  window_ = nullptr;
}

LRESULT SubclassedControl::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT CALLBACK SubclassedControl::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                 DWORD_PTR object) {
  auto* self = reinterpret_cast<SubclassedControl*>(object);
  if (message != WM_NCDESTROY) return self->HandleMessage(window, message, wParam, lParam);
  self->Detach();
  return DefSubclassProc(window, message, wParam, lParam);
}
