#pragma once
// An object that owns a hidden window: a top-level one with a window class
// of its own, or a message-only one of a class shared by its kind. The window finds its object through its user-data
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
  // Creates a message-only window (HWND_MESSAGE parent: never drawn, never
  // enumerated) of a class that every object of `kind` on the calling thread
  // shares: registered with the first of them, unregistered with the last.
  // The window may be one an earlier object of the kind gave back, so it
  // receives no WM_CREATE; the object must kill its timers before Destroy.
  bool CreateMessageOnly(const char* kind);
  // Destroys the window if it still exists and unregisters the class; a
  // window of a shared class goes back to its kind for reuse (its queued
  // messages dropped) while other objects of the kind live.
  void Destroy();

  HWND Handle() const { return window_; }

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

 private:
  void ReleaseSharedClass();

  enum class ClassUse { None, Own, Shared };
  ClassUse classUse_ = ClassUse::None;
};
