#pragma once
// A coalesced wake-up that arrives as a posted message: the wake-up carries
// a tag, never a pointer, and a window that is gone simply receives nothing.

#include <windows.h>

#include "engine/frame_slot.h"

class PostedWake final : public CoalescedWake {
 public:
  PostedWake(HWND window, UINT message, WPARAM tag = 0) : window_(window), message_(message), tag_(tag) {}
  // Before the wake is subscribed anywhere.
  void SetWindow(HWND window) { window_ = window; }

 private:
  void Post() override { PostMessageA(window_, message_, tag_, 0); }

  HWND window_;
  UINT message_;
  WPARAM tag_;
};
