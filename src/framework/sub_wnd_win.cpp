#include "framework/sub_wnd_win.h"

void SubWnd::Attach(HWND owner, HWND control) {
  control_ = control;
  owner_ = owner;
  SetWindowLongPtrA(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  previous_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubWnd::SubclassProc)));
  SetWindowPos(control, nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
  OnAttach();
}

LRESULT SubWnd::HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return CallPrevious(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK SubWnd::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* object = reinterpret_cast<SubWnd*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  return object->HandleMessage(hwnd, msg, wParam, lParam);
}
