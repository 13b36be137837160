#pragma once
// A Wnd that runs on a thread of its own with its own message loop. Start
// and Stop are called from the thread that owns the object.

#include "common/scoped_handle_win.h"
#include "framework/wnd_win.h"

class UIthread : public Wnd {
 public:
  ~UIthread() override;

  // Starts the thread and returns once its window exists (true), or once
  // the thread has ended because it could not create its window (false).
  // Does nothing and returns true while a thread runs.
  bool Start();
  // Closes the thread's window, which ends its loop, and waits at most
  // 5000 ms for the thread to end; messages sent to this thread meanwhile
  // (by the stopping thread itself, say) are still handled. A thread that
  // takes longer is left to finish on its own. Nothing without a thread.
  void Stop();
  bool Running() const { return thread_.IsValid(); }

  // Ends the thread's loop.
  void OnWindowDestroyed() override { PostQuitMessage(0); }
  // On the new thread, right after its window exists / after its loop ended.
  virtual void OnThreadStart() {}
  virtual void OnThreadStop() {}

  static constexpr DWORD kStopTimeoutMs = 5000;

 private:
  static DWORD WINAPI ThreadProc(void* object);

  ScopedKernelHandle startEvent_;
  ScopedKernelHandle thread_;
};
