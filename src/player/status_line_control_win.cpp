#include "player/status_line_control_win.h"

#include <vector>

#include "common/subclassed_control_win.h"

StatusLineControl::~StatusLineControl() {
  Detach();
}

bool StatusLineControl::Attach(HWND dialog, int controlId) {
  HWND control = GetDlgItem(dialog, controlId);
  if (!control) return false;
  Detach();
  const int length = GetWindowTextLengthA(control);
  std::vector<char> text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
  const int read = GetWindowTextA(control, text.data(), static_cast<int>(text.size()));
  text_.assign(text.data(), read > 0 ? static_cast<size_t>(read) : 0);
  window_ = control;
  oldProc_ = SubclassControl(control, &StatusLineControl::WindowProc, this);
  return true;
}

void StatusLineControl::Detach() {
  RestoreControl(window_, &StatusLineControl::WindowProc, oldProc_);
  window_ = nullptr;
  oldProc_ = nullptr;
}

void StatusLineControl::SetFlags(uint32_t flags, bool redraw) {
  flags_ = flags;
  if (redraw) RedrawControl(window_);
}

void StatusLineControl::SetColors(COLORREF back, COLORREF border, COLORREF text) {
  backColor_ = back;
  borderColor_ = border;
  textColor_ = text;
  RedrawControl(window_);
}

void StatusLineControl::SetFormat(UINT format) {
  format_ = format;
  RedrawControl(window_);
}

LRESULT CALLBACK StatusLineControl::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  StatusLineControl* self = SubclassedObject<StatusLineControl>(window);
  if (!self || self->window_ != window) return DefWindowProcA(window, message, wParam, lParam);
  return self->HandleMessage(message, wParam, lParam);
}

LRESULT StatusLineControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND window = window_;
  const WNDPROC oldProc = oldProc_;
  LRESULT result = 0;
  if (HandleSelfPaintingMessage(
          window, message, wParam, [this](HDC dc, const RECT& client) { Paint(dc, client); }, result))
    return result;
  switch (message) {
    case WM_SETTEXT: {
      const auto* text = reinterpret_cast<const char*>(lParam);
      if (!text) return 0;
      text_.assign(text);
      RedrawControl(window);
      return 1;
    }
    case WM_NCDESTROY:
      Detach();
      break;
  }
  return CallWindowProcA(oldProc, window, message, wParam, lParam);
}

void StatusLineControl::Paint(HDC dc, const RECT& client) const {
  {
    ScopedBrush background(
        CreateSolidBrush((flags_ & kButtonFaceBackground) ? GetSysColor(COLOR_BTNFACE) : backColor_));
    FillRect(dc, &client, background.Get());
  }
  if (flags_ & kFramed) {
    ScopedBrush border(CreateSolidBrush(borderColor_));
    FrameRect(dc, &client, border.Get());
  }
  if (text_.empty()) return;
  const auto font = reinterpret_cast<HFONT>(SendMessageA(window_, WM_GETFONT, 0, 0));
  const HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, textColor_);
  RECT area{client.left + 3, client.top - 1, client.right - 3, client.bottom - 1};
  DrawTextA(dc, text_.c_str(), static_cast<int>(text_.size()), &area, format_);
  if (oldFont) SelectObject(dc, oldFont);
}
