#pragma once
// A visible top-level window at the screen's corner holding one child
// control, for tests of self-painting controls. A test binary that shows
// windows owns the session's desktop while it runs: CTest's lock "desktop"
// (tests/CMakeLists.txt, tests/system/systest.py).

#include <windows.h>

#include <chrono>
#include <functional>

class TestWindow {
 public:
  // A child of the given class, id and styles, filling width x height.
  TestWindow(const char* childClass, int childId, DWORD childStyle, DWORD childExStyle, int width, int height);
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  HWND Parent() const { return parent_; }
  HWND Child() const { return child_; }
  // Shows the window and lets every pending paint run.
  void ShowAndPaint();
  // Messages the parent received, by number.
  int Received(UINT message) const;
  WPARAM LastWParam(UINT message) const;
  LPARAM LastLParam(UINT message) const;

 private:
  static LRESULT CALLBACK ParentProc(HWND, UINT, WPARAM, LPARAM);
  HWND parent_ = nullptr;
  HWND child_ = nullptr;
};

// Dispatches every message waiting for this thread.
void PumpMessages();
// Dispatches this thread's messages until `done` holds; false when `limit`
// passed first.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);
// Dispatches this thread's messages for `time`.
void PumpFor(std::chrono::milliseconds time);

// Puts the pointer on a screen point and makes sure it stays there: under
// Wine a pointer move still queued in the X connection can undo a
// SetCursorPos once this thread takes its events. False when it never
// settled. Dispatches this thread's messages meanwhile.
bool PlaceCursor(POINT screenPoint);
