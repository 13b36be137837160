#pragma once
// An object bound to an existing child control by subclassing it. There is
// no detach: the object must outlive the control.

#include <windows.h>

class SubWnd {
 public:
  SubWnd() = default;
  virtual ~SubWnd() = default;
  SubWnd(const SubWnd&) = delete;
  SubWnd& operator=(const SubWnd&) = delete;

  // Takes over the control's window procedure, redraws its frame and calls
  // OnAttach.
  void Attach(HWND owner, HWND control);

  HWND Handle() const { return control_; }
  HWND Owner() const { return owner_; }

  virtual void OnAttach() {}
  // Every message of the control; by default the control's own procedure.
  virtual LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

 protected:
  LRESULT CallPrevious(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(previous_, hwnd, msg, wParam, lParam);
  }

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  HWND control_ = nullptr;
  HWND owner_ = nullptr;
  WNDPROC previous_ = nullptr;
};
