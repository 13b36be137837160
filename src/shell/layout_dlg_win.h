#pragma once
// The layout dialog: columns, rows and cell aspect ratio of the camera grid.
// Only its OK button applies; Enter and Esc both cancel.

#include <windows.h>

#include "framework/apply_dlg_win.h"
#include "shell/grid_layout.h"
#include "shell/shell_services_win.h"

inline constexpr int kLayoutTemplate = 102;
inline constexpr int kLayoutColumns = 1041;
inline constexpr int kLayoutRows = 1042;
inline constexpr int kLayoutAspect = 1043;
inline constexpr int kLayoutCount = 1025;
inline constexpr int kLayoutOk = 1052;
inline constexpr int kLayoutCancel = 1051;

class LayoutDlg : public ApplyDlg {
 public:
  LayoutDlg(GridLayout& layout, MessageBoxFn messageBox)
      : ApplyDlg(kLayoutOk, kLayoutCancel), layout_(layout), messageBox_(std::move(messageBox)) {}

  INT_PTR OnInitDialog(HWND hwnd) override;

 protected:
  // Reads the three fields; stores them into the layout when they pass,
  // otherwise shows why and leaves the layout as it was.
  bool Apply(HWND hwnd) override;

 private:
  GridLayout& layout_;
  MessageBoxFn messageBox_;
};
