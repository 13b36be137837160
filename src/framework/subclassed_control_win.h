#pragma once
// An object that takes over an existing control through the common
// controls' subclass chain, on the control's thread. The control's messages
// reach HandleMessage while the object is attached; Detach, the object's end
// or the control's end (WM_NCDESTROY) lets go, whichever comes first.

#include <windows.h>

class SubclassedControl {
 public:
  SubclassedControl() = default;
  virtual ~SubclassedControl() { Detach(); }
  SubclassedControl(const SubclassedControl&) = delete;
  SubclassedControl& operator=(const SubclassedControl&) = delete;

  // Lets go of a control held before and takes over this one. False when
  // control is null or cannot be subclassed (another thread's, say).
  bool Attach(HWND control);
  // Gives the control back to the procedures it had; nothing when none is held.
  void Detach();

  HWND Window() const { return window_; }

 protected:
  // Every message of the attached control but WM_NCDESTROY; by default
  // what the control would have answered.
  virtual LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR object);

  HWND window_ = nullptr;
};
