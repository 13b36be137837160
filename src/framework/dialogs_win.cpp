#include "framework/dialogs_win.h"

#include "framework/window_binding_win.h"

INT_PTR DialogBase::FilterMessage(HWND, UINT, WPARAM, LPARAM) {
  return 0;
}
INT_PTR DialogBase::OnInitDialog(HWND) {
  return 1;
}
INT_PTR DialogBase::OnSysCommand(HWND, WPARAM, LPARAM) {
  return 0;
}
INT_PTR DialogBase::OnClose() {
  return 1;
}

INT_PTR DialogBase::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (FilterMessage(hwnd, msg, wParam, lParam)) return TRUE;
  switch (msg) {
    case WM_INITDIALOG:
      OnInitDialog(hwnd);
      return TRUE;
    case WM_COMMAND:
      return OnCommand(hwnd, wParam, lParam);
    case WM_SYSCOMMAND:
      return OnSysCommand(hwnd, wParam, lParam);
    case WM_CLOSE:
      if (OnClose()) CloseAllowed(hwnd);
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK DialogBase::DispatchToObject(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* object = BoundObject<DialogBase>(hwnd, WM_INITDIALOG, msg, lParam);
  if (!object) return FALSE;
  if (msg == WM_INITDIALOG) object->dialog_ = hwnd;
  if (msg != WM_NCDESTROY) return object->DialogProc(hwnd, msg, wParam, lParam);
  object->dialog_ = nullptr;
  return FALSE;
}

INT_PTR ModalDlg::Run(HWND parent, int templateId) {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), parent, &DispatchToObject,
                         InitParam());
}

INT_PTR ModalDlg::OnCommand(HWND hwnd, WPARAM wParam, LPARAM) {
  if (HIWORD(wParam) != 0) return 1;
  if (LOWORD(wParam) == IDOK) EndDialog(hwnd, IDOK);
  if (LOWORD(wParam) == IDCANCEL) EndDialog(hwnd, IDCANCEL);
  return 1;
}

void ModalDlg::CloseAllowed(HWND hwnd) {
  EndDialog(hwnd, IDCANCEL);
}

bool ModelessDlg::Create(HWND owner, int templateId, bool show) {
  owner_ = owner;
  dialog_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), GetDesktopWindow(),
                               &ModelessDlg::StaticProc, InitParam());
  if (!dialog_) return false;
  if (show) {
    ShowWindow(dialog_, SW_SHOW);
    SetForegroundWindow(dialog_);
  }
  return true;
}

INT_PTR ModelessDlg::OnCommand(HWND hwnd, WPARAM wParam, LPARAM) {
  if (HIWORD(wParam) != 0) return 1;
  if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) ShowWindow(hwnd, SW_HIDE);
  return 1;
}

void ModelessDlg::CloseAllowed(HWND hwnd) {
  DestroyWindow(hwnd);
}

INT_PTR CALLBACK ModelessDlg::StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DispatchToObject(hwnd, msg, wParam, lParam);
}

bool TranslateModelessKey(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !msg.hwnd) return false;
  HWND root = GetAncestor(msg.hwnd, GA_ROOT);
  // Any other window answers something else (or nothing) for that index.
  if (!root || GetWindowLongPtrA(root, DWLP_DLGPROC) != reinterpret_cast<LONG_PTR>(&ModelessDlg::StaticProc))
    return false;
  return IsDialogMessageA(root, &msg) != FALSE;
}
