#include "player/status_line_control_win.h"

#include <vector>

namespace {

constexpr COLORREF kBackColor = 0xFFFFFF;
constexpr COLORREF kBorderColor = 0x908782;
constexpr COLORREF kTextColor = 0x000000;
constexpr UINT kTextFormat = DT_SINGLELINE | DT_VCENTER;

}  // namespace

void StatusLineControl::BeforeTakeOver(HWND control) {
  const int length = GetWindowTextLengthA(control);
  std::vector<char> text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
  const int read = GetWindowTextA(control, text.data(), static_cast<int>(text.size()));
  text_.assign(text.data(), read > 0 ? static_cast<size_t>(read) : 0);
}

void StatusLineControl::SetFlags(uint32_t flags, bool redraw) {
  flags_ = flags;
  if (redraw) RedrawControl(Window());
}

bool StatusLineControl::OnMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
  if (message != WM_SETTEXT) return false;
  const auto* text = reinterpret_cast<const char*>(lParam);
  result = text ? 1 : 0;
  if (!text) return true;
  text_.assign(text);
  RedrawControl(Window());
  return true;
}

void StatusLineControl::Paint(HDC dc, const RECT& client) const {
  {
    ScopedBrush background(
        CreateSolidBrush((flags_ & kButtonFaceBackground) ? GetSysColor(COLOR_BTNFACE) : kBackColor));
    FillRect(dc, &client, background.Get());
  }
  if (flags_ & kFramed) {
    ScopedBrush border(CreateSolidBrush(kBorderColor));
    FrameRect(dc, &client, border.Get());
  }
  if (text_.empty()) return;
  const auto font = reinterpret_cast<HFONT>(SendMessageA(Window(), WM_GETFONT, 0, 0));
  const HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kTextColor);
  RECT area{client.left + 3, client.top - 1, client.right - 3, client.bottom - 1};
  DrawTextA(dc, text_.c_str(), static_cast<int>(text_.size()), &area, kTextFormat);
  if (oldFont) SelectObject(dc, oldFont);
}
