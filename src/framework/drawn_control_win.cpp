#include "common/subclassed_control_win.h"

WNDPROC SubclassControl(HWND control, WNDPROC procedure, void* object) {
  if (!control) return nullptr;
  SetWindowLongPtrA(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
  auto previous =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
  const LONG_PTR exStyle = GetWindowLongPtrA(control, GWL_EXSTYLE);
  SetWindowLongPtrA(control, GWL_EXSTYLE, exStyle & ~static_cast<LONG_PTR>(WS_EX_STATICEDGE));
  SetWindowPos(control, nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  RedrawControl(control);
  return previous;
}

void RestoreControl(HWND control, WNDPROC procedure, WNDPROC previous) {
  if (!control || !previous || !IsWindow(control)) return;
  if (reinterpret_cast<WNDPROC>(GetWindowLongPtrA(control, GWLP_WNDPROC)) != procedure) return;
  SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
  SetWindowLongPtrA(control, GWLP_USERDATA, 0);
}

void RedrawControl(HWND control) {
  if (control) RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME | RDW_NOCHILDREN);
}

PaintBuffer::PaintBuffer(HDC target, int width, int height)
    : target_(target), width_(width), height_(height), dc_(CreateCompatibleDC(target)) {
  if (!dc_) return;
  bitmap_.Reset(CreateCompatibleBitmap(target, width, height));
  if (!bitmap_) return;
  previous_ = SelectObject(dc_.Get(), bitmap_.Get());
}

PaintBuffer::~PaintBuffer() {
  if (previous_) SelectObject(dc_.Get(), previous_);
}

void PaintBuffer::Present() const {
  if (IsValid()) BitBlt(target_, 0, 0, width_, height_, dc_.Get(), 0, 0, SRCCOPY);
}

bool DrawnControl::Attach(HWND dialog, int controlId) {
  HWND control = GetDlgItem(dialog, controlId);
  if (!control) return false;
  Detach();
  BeforeTakeOver(control);
  window_ = control;
  owner_ = dialog;
  oldProc_ = SubclassControl(control, &DrawnControl::WindowProc, this);
  return true;
}

void DrawnControl::Detach() {
  RestoreControl(window_, &DrawnControl::WindowProc, oldProc_);
  window_ = nullptr;
  oldProc_ = nullptr;
}

bool DrawnControl::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) {
  return false;
}

void DrawnControl::BeforeTakeOver(HWND) {}

LRESULT CALLBACK DrawnControl::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DrawnControl* self = SubclassedObject<DrawnControl>(window);
  if (!self || self->window_ != window) return DefWindowProcA(window, message, wParam, lParam);
  return self->HandleMessage(message, wParam, lParam);
}

LRESULT DrawnControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // Kept: handling the message may detach the object.
  const HWND window = window_;
  const WNDPROC oldProc = oldProc_;
  LRESULT result = 0;
  if (HandleSelfPaintingMessage(
          window, message, wParam, [this](HDC dc, const RECT& client) { Paint(dc, client); }, result))
    return result;
  if (OnMessage(message, wParam, lParam, result)) return result;
  if (message == WM_NCDESTROY) Detach();
  return CallWindowProcA(oldProc, window, message, wParam, lParam);
}
