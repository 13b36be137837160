#include "framework/drawn_control_win.h"

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
  if (!SubclassedControl::Attach(control)) return false;
  owner_ = dialog;
  const LONG_PTR exStyle = GetWindowLongPtrA(control, GWL_EXSTYLE);
  SetWindowLongPtrA(control, GWL_EXSTYLE, exStyle & ~static_cast<LONG_PTR>(WS_EX_STATICEDGE));
  SetWindowPos(control, nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  RedrawControl(control);
  return true;
}

bool DrawnControl::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) {
  return false;
}

void DrawnControl::BeforeTakeOver(HWND) {}

LRESULT DrawnControl::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (HandleSelfPaintingMessage(
          window, message, wParam, [this](HDC dc, const RECT& client) { Paint(dc, client); }, result))
    return result;
  if (OnMessage(message, wParam, lParam, result)) return result;
  return SubclassedControl::HandleMessage(window, message, wParam, lParam);
}
