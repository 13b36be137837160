#pragma once
// The player's status line: a dialog's static control taken over and
// painted as one line of text on a plain background, optionally framed.
//
// WM_SETTEXT keeps a copy of the text for painting (the static's own text is
// left alone; an empty text blanks the line, a null one is ignored and
// answers 0). Flags: 0x20 paints the background in the button-face colour
// instead of white, 0x10 draws a frame in grey (0x908782). The text is black,
// in the control's WM_GETFONT font, on one line centred vertically, inset
// 3 pixels left and right and moved up one. Attach once; either the object
// or the control may die first.

#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/drawn_control_win.h"

class StatusLineControl : public DrawnControl {
 public:
  static constexpr uint32_t kButtonFaceBackground = 0x20;
  static constexpr uint32_t kFramed = 0x10;

  void SetFlags(uint32_t flags, bool redraw);

 private:
  // Starts with the static's own text.
  void BeforeTakeOver(HWND control) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  void Paint(HDC dc, const RECT& client) const override;

  std::string text_;
  uint32_t flags_ = kButtonFaceBackground;
};
