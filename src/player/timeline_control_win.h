#pragma once
// The player's timeline: a dialog's trackbar taken over and painted as a
// two-tone gradient bar with the playback position (blue band over the
// upper half) and the selection marks (grey lines, the range between them
// filled, in the lower half). It never drags.
//
// The player talks to it with trackbar messages: TBM_GETPOS, TBM_SETPOS,
// TBM_SETRANGEMAX, TBM_SETSELSTART, TBM_SETSELEND, TBM_CLEARSEL (a non-zero
// wParam repaints). A left click, on release, sets the position from the
// cursor and sends WM_HSCROLL (TB_ENDTRACK, lParam = the control) to the
// dialog it was attached from. Other messages (keyboard, TBM_SETPAGESIZE)
// reach the trackbar itself. Attach once; the object must be used on the
// control's thread, and either may be destroyed first.

#include <windows.h>

#include <cstdint>

#include "player/timeline_geometry.h"

class TimelineControl {
 public:
  TimelineControl() = default;
  ~TimelineControl();
  TimelineControl(const TimelineControl&) = delete;
  TimelineControl& operator=(const TimelineControl&) = delete;

  // Takes over the trackbar of that id in dialog; dialog gets the click notices.
  bool Attach(HWND dialog, int controlId);

  HWND Window() const { return window_; }
  uint32_t RangeMax() const { return rangeMax_; }
  uint32_t SelStart() const { return selStart_; }
  uint32_t SelEnd() const { return selEnd_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT SetValue(uint32_t& field, uint32_t value, WPARAM redraw);
  void OnClick(LPARAM lParam);
  void Paint(HDC dc, const RECT& client) const;
  void Detach();

  HWND window_ = nullptr;
  HWND parent_ = nullptr;
  uint32_t rangeMax_ = 0;
  uint32_t pos_ = 0;
  uint32_t selStart_ = kNoMark;
  uint32_t selEnd_ = kNoMark;
  WNDPROC oldProc_ = nullptr;
};
