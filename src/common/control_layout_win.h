#pragma once
// Keeps the child controls of a resizable dialog in place while it is
// resized, and stops it from shrinking below a minimum size.
//
// Use: the host dialog passes every message to HandleMessage before handling
// it itself. After WM_INITDIALOG has reached the layout (so the host is
// known) the host registers its controls with Add/AddById and may call
// SetMinSize. Send WM_LAYOUT_REMEMBER to the host (which passes it here)
// after moving controls by program, so later resizing starts from there.
// Placement modes are those of PlaceControl in control_layout.h.

#include <windows.h>

#include <vector>

#include "common/control_layout.h"

class ControlLayout {
 public:
  ControlLayout() = default;

  // WM_INITDIALOG: adopt hwnd as host, show it normally, bring it forward and
  // take its window rectangle as reference. WM_SIZE: Arrange. WM_SIZING:
  // enforce the minimum size on the proposed rectangle. WM_EXITSIZEMOVE:
  // redraw the host with its children. WM_LAYOUT_REMEMBER: Remember.
  void HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  void Add(HWND control, int horizontalMode, int verticalMode, BOOL repaint);
  void AddById(int controlId, int horizontalMode, int verticalMode, BOOL repaint);
  // Both 0: the host's size when it was initialised.
  void SetMinSize(int width, int height);
  // The current host and control rectangles become the reference.
  void Remember();
  // Places every control from its reference and the host's total size change.
  void Arrange();

  HWND Host() const { return host_; }

 private:
  struct Entry {
    LayoutRect reference;  // host client coordinates
    HWND control;
    int horizontalMode;
    int verticalMode;
    BOOL repaint;
  };

  LayoutRect ClientRectOf(HWND control) const;
  void RedrawHost() const;

  RECT reference_{};  // host window rectangle, screen coordinates
  HWND host_ = nullptr;
  int minWidth_ = 0;
  int minHeight_ = 0;
  std::vector<Entry> entries_;
};
