#pragma once
// The layout dialog: columns, rows and cell aspect ratio of the camera grid.
// Only its OK button applies; Enter and Esc both cancel.

#include <windows.h>

#include "framework/dialogs_win.h"
#include "shell/grid_layout.h"
#include "shell/shell_services_win.h"

inline constexpr int kLayoutTemplate = 102;
inline constexpr int kLayoutColumns = 1041;
inline constexpr int kLayoutRows = 1042;
inline constexpr int kLayoutAspect = 1043;
inline constexpr int kLayoutCount = 1025;
inline constexpr int kLayoutOk = 1052;
inline constexpr int kLayoutCancel = 1051;

class LayoutDlg : public ModalDlg {
 public:
  LayoutDlg(GridLayout& layout, MessageBoxFn messageBox) : layout_(layout), messageBox_(std::move(messageBox)) {}

  INT_PTR OnInitDialog(HWND hwnd) override;
  INT_PTR OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) override;

  // Reads the three fields; stores them into the layout when they pass,
  // otherwise shows why and leaves the layout as it was.
  bool Validate(HWND hwnd);

 private:
  GridLayout& layout_;
  MessageBoxFn messageBox_;
};
