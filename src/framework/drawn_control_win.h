#pragma once
// What the self-painting controls share: painting through an off-screen
// bitmap into a dialog's control taken over. DrawnControl at the end puts
// the pieces together; derive from it.

#include <windows.h>

#include "common/scoped_handle_win.h"
#include "framework/subclassed_control_win.h"

// Full redraw of a control: invalidate, update now, frame, no children.
void RedrawControl(HWND control);

// An off-screen bitmap of the client size, compatible with the target DC;
// Present() copies it to the target at 0, 0.
class PaintBuffer {
 public:
  PaintBuffer(HDC target, int width, int height);
  ~PaintBuffer();
  PaintBuffer(const PaintBuffer&) = delete;
  PaintBuffer& operator=(const PaintBuffer&) = delete;

  bool IsValid() const { return previous_ != nullptr; }
  HDC Dc() const { return dc_.Get(); }
  void Present() const;

 private:
  HDC target_;
  int width_;
  int height_;
  ScopedMemoryDc dc_;
  ScopedBitmap bitmap_;
  HGDIOBJ previous_ = nullptr;
};

// Runs paint(HDC, client rect) for WM_PAINT (into wParam's DC when it holds
// one, as common controls do, else between BeginPaint and EndPaint),
// WM_PRINTCLIENT (into wParam's DC) and WM_NCPAINT (into the client DC),
// always through a PaintBuffer, so the screen never shows a half-drawn frame.
template <typename Paint>
void PaintBuffered(HWND control, UINT message, WPARAM wParam, Paint paint) {
  RECT client{};
  GetClientRect(control, &client);
  auto draw = [&](HDC target) {
    if (client.right <= 0 || client.bottom <= 0) return;
    PaintBuffer buffer(target, client.right, client.bottom);
    if (!buffer.IsValid()) return;
    paint(buffer.Dc(), client);
    buffer.Present();
  };
  if ((message == WM_PAINT || message == WM_PRINTCLIENT) && wParam) {
    draw(reinterpret_cast<HDC>(wParam));
  } else if (message == WM_PAINT) {
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(control, &ps);
    if (dc) draw(dc);
    EndPaint(control, &ps);
  } else if (message == WM_NCPAINT) {
    HDC dc = GetDC(control);
    if (dc) {
      draw(dc);
      ReleaseDC(control, dc);
    }
  }
}

// The messages every self-painting control answers alike: paints (through
// PaintBuffered), no background erase, no border, a repaint after a move or
// resize. True when the message is fully answered (result set); false when
// it still goes to the control's own procedure.
template <typename Paint>
bool HandleSelfPaintingMessage(HWND control, UINT message, WPARAM wParam, Paint paint, LRESULT& result) {
  switch (message) {
    case WM_PAINT:
    case WM_NCPAINT:
    case WM_PRINTCLIENT:
      PaintBuffered(control, message, wParam, paint);
      // Into a caller's DC the control would draw itself over ours.
      result = 0;
      return message == WM_PRINTCLIENT || (message == WM_PAINT && wParam);
    case WM_ERASEBKGND:
      result = 1;
      return true;
    case WM_NCCALCSIZE:
      result = 0;
      return wParam != 0;
    case WM_MOVE:
    case WM_SIZE:
      InvalidateRect(control, nullptr, FALSE);
      return false;
    default:
      return false;
  }
}

// The base of the self-painting controls: takes over a dialog's control
// without its static edge, answers its paint messages through Paint, offers
// every other message to OnMessage and then to the control's own procedure,
// and hands the control back when either the object or the control dies.
// Use on the control's thread.
class DrawnControl : public SubclassedControl {
 public:
  // Takes over the control of that id in dialog. False when there is none.
  bool Attach(HWND dialog, int controlId);

  HWND Owner() const { return owner_; }

 protected:
  // Draws the whole client area into an off-screen DC.
  virtual void Paint(HDC dc, const RECT& client) const = 0;
  // A message other than painting: true answers it with result; false lets
  // the control's own procedure have it.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // The control about to be taken over, before its first paint by us.
  virtual void BeforeTakeOver(HWND control);

 private:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  HWND owner_ = nullptr;
};
