#pragma once
// The player's timeline: a dialog's trackbar taken over and painted as a
// two-tone gradient bar with the playback position (blue band over the
// upper half) and the selection marks (grey lines, the range between them
// filled, in the lower half). It never drags.
//
// The player talks to it with trackbar messages: TBM_GETPOS, TBM_SETPOS,
// TBM_SETRANGEMAX, TBM_SETSELSTART, TBM_SETSELEND, TBM_CLEARSEL (a non-zero
// wParam repaints); TBM_GETRANGEMAX, TBM_GETSELSTART and TBM_GETSELEND
// answer what was set (kNoMark for a cleared mark). A left click, on release, sets the position from the
// cursor and sends WM_HSCROLL (TB_ENDTRACK, lParam = the control) to the
// dialog it was attached from. Other messages (keyboard, TBM_SETPAGESIZE)
// reach the trackbar itself. Attach once; the object must be used on the
// control's thread, and either may be destroyed first.

#include <windows.h>

#include <cstdint>

#include "framework/drawn_control_win.h"
#include "player/timeline_geometry.h"

// The dialog it is attached from (Owner()) gets the click notices.
class TimelineControl : public DrawnControl {
 private:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  LRESULT SetValue(uint32_t& field, uint32_t value, WPARAM redraw);
  void OnClick(LPARAM lParam);
  void Paint(HDC dc, const RECT& client) const override;

  uint32_t rangeMax_ = 0;
  uint32_t pos_ = 0;
  uint32_t selStart_ = kNoMark;
  uint32_t selEnd_ = kNoMark;
};
