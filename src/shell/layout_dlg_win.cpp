#include "shell/layout_dlg_win.h"

#include "common/fixed_text.h"
#include "framework/window_icon_win.h"
#include "shell/layout_input.h"
#include "shell/shell_icon_win.h"

INT_PTR LayoutDlg::OnInitDialog(HWND hwnd) {
  SetWindowIcons(hwnd, kShellIcon);
  char text[64];
  FormatText(text, sizeof text, "%d", layout_.columns);
  SetDlgItemTextA(hwnd, kLayoutColumns, text);
  FormatText(text, sizeof text, "%d", layout_.rows);
  SetDlgItemTextA(hwnd, kLayoutRows, text);
  FormatText(text, sizeof text, "%.2f", layout_.aspectRatio);
  SetDlgItemTextA(hwnd, kLayoutAspect, text);
  FormatText(text, sizeof text, "Current Number of Cameras: %d", layout_.columns * layout_.rows);
  SetDlgItemTextA(hwnd, kLayoutCount, text);
  return 1;
}

bool LayoutDlg::Apply(HWND hwnd) {
  constexpr int kFieldSize = 260;
  char columns[kFieldSize] = {}, rows[kFieldSize] = {}, aspect[kFieldSize] = {};
  GetDlgItemTextA(hwnd, kLayoutColumns, columns, kFieldSize);
  GetDlgItemTextA(hwnd, kLayoutRows, rows, kFieldSize);
  GetDlgItemTextA(hwnd, kLayoutAspect, aspect, kFieldSize);
  const LayoutInput input = ParseLayoutInput(columns, rows, aspect);
  if (const char* error = LayoutInputError(input)) {
    ShowMessage(messageBox_, hwnd, error, "Error", kErrorBoxFlags);
    return false;
  }
  layout_.columns = input.columns;
  layout_.rows = input.rows;
  layout_.aspectRatio = input.aspectRatio;
  return true;
}
