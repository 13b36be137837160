#pragma once
// An object that owns a hidden window: a top-level one, or a message-only one
// of a named kind. Every window of a kind has the kind's one class,
// registered the first time any thread needs it.

#include <windows.h>

#include <string>

class Wnd {
 public:
  Wnd() = default;
  virtual ~Wnd() = default;
  Wnd(const Wnd&) = delete;
  Wnd& operator=(const Wnd&) = delete;

  // Creates the object's hidden top-level window on the calling thread,
  // which must pump its messages. True when the window exists.
  bool Create();
  // Creates a message-only window (HWND_MESSAGE parent: never drawn, never
  // enumerated) of class `kind`. The window may be one an earlier object of
  // the kind on this thread gave back, so it receives no WM_CREATE; the
  // object must kill its timers before Destroy.
  bool CreateMessageOnly(const char* kind);
  // Creates a visible child window of class `kind` in `parent`'s client
  // area, with the control id `id`.
  bool CreateChild(const char* kind, HWND parent, const RECT& rect, int id);
  // Destroys the window if it still exists; a message-only window goes back
  // to its kind for reuse (its queued messages dropped) while other objects
  // of the kind live on this thread.
  void Destroy();

  HWND Handle() const { return window_; }

  // Called once the window has been destroyed and detached from the object.
  virtual void OnWindowDestroyed() {}
  // Every message after WM_NCCREATE but WM_CLOSE, WM_DESTROY and
  // WM_NCDESTROY. No default processing follows: call DefWindowProcA where
  // it is wanted.
  virtual LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

 protected:
  HWND window_ = nullptr;

 private:
  void GiveBackMessageOnly();

  // The kind of a message-only window; empty for a top-level one.
  std::string kind_;
};
