#include "framework/apply_dlg_win.h"

INT_PTR ApplyDlg::OnCommand(HWND hwnd, WPARAM wParam, LPARAM) {
  if (HIWORD(wParam) != 0) return 1;
  const int id = LOWORD(wParam);
  if (id == okButton_) {
    if (Apply(hwnd)) EndDialog(hwnd, 1);
  } else if (id == cancelButton_ || id == IDOK || id == IDCANCEL) {
    EndDialog(hwnd, 2);
  }
  return 1;
}
