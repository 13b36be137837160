#pragma once
// An object that owns a hidden top-level window of its own, with a window
// class of its own. The window finds its object through its user-data
// slot; there is no map from windows to objects.

#include <windows.h>

class Wnd {
 public:
  Wnd() = default;
  virtual ~Wnd() = default;
  Wnd(const Wnd&) = delete;
  Wnd& operator=(const Wnd&) = delete;

  // Registers the object's class and creates its hidden window on the
  // calling thread, which must pump its messages. True when the window exists.
  bool Create();
  // Destroys the window if it still exists and unregisters the class.
  void Destroy();

  HWND Handle() const { return window_; }
  const char* ClassName() const { return className_; }

  // Called once the window has been destroyed and detached from the object.
  virtual void OnWindowDestroyed() {}
  // Every message but WM_CLOSE and WM_DESTROY once the window is attached
  // (from WM_CREATE on). No default processing follows: call DefWindowProcA
  // where it is wanted.
  virtual LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

 protected:
  HWND window_ = nullptr;
  HINSTANCE instance_ = nullptr;
  char className_[260] = {};
};
