#include "framework/dialogs_win.h"

namespace {

// Marks the windows of modeless dialogs for the message loops; a property
// rather than a list, so each loop asks only the window at hand.
constexpr char kModelessMark[] = "ModelessDlg";

// The binding both dialog kinds share: the object rides in on
// WM_INITDIALOG and is forgotten at WM_DESTROY without being told.
template <typename Dialog>
INT_PTR DispatchToObject(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    return TRUE;
  }
  if (msg == WM_INITDIALOG) SetWindowLongPtrA(hwnd, GWLP_USERDATA, lParam);
  auto* object = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!object) return FALSE;
  return object->DialogProc(hwnd, msg, wParam, lParam);
}

// The message routing both dialog kinds share; they differ only in what an
// allowed WM_CLOSE does.
template <typename Dialog, typename Close>
INT_PTR RouteDialogMessage(Dialog& dialog, HWND& handle, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                           Close close) {
  if (dialog.FilterMessage(hwnd, msg, wParam, lParam)) return TRUE;
  switch (msg) {
    case WM_INITDIALOG:
      handle = hwnd;
      dialog.OnInitDialog(hwnd);
      return TRUE;
    case WM_COMMAND:
      return dialog.OnCommand(hwnd, wParam, lParam);
    case WM_SYSCOMMAND:
      return dialog.OnSysCommand(hwnd, wParam, lParam);
    case WM_CLOSE:
      if (dialog.OnClose()) close();
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR ModalDlg::Run(HWND parent, int templateId) {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), parent, &ModalDlg::StaticProc,
                         reinterpret_cast<LPARAM>(this));
}

INT_PTR ModalDlg::FilterMessage(HWND, UINT, WPARAM, LPARAM) {
  return 0;
}
INT_PTR ModalDlg::OnInitDialog(HWND) {
  return 1;
}
INT_PTR ModalDlg::OnSysCommand(HWND, WPARAM, LPARAM) {
  return 0;
}
INT_PTR ModalDlg::OnClose() {
  return 1;
}

INT_PTR ModalDlg::OnCommand(HWND hwnd, WPARAM wParam, LPARAM) {
  if (HIWORD(wParam) != 0) return 1;
  if (LOWORD(wParam) == IDOK) EndDialog(hwnd, IDOK);
  if (LOWORD(wParam) == IDCANCEL) EndDialog(hwnd, IDCANCEL);
  return 1;
}

INT_PTR ModalDlg::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return RouteDialogMessage(*this, dialog_, hwnd, msg, wParam, lParam, [hwnd] { EndDialog(hwnd, IDCANCEL); });
}

INT_PTR CALLBACK ModalDlg::StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DispatchToObject<ModalDlg>(hwnd, msg, wParam, lParam);
}

bool ModelessDlg::Create(HWND owner, int templateId, bool show) {
  owner_ = owner;
  dialog_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), GetDesktopWindow(),
                               &ModelessDlg::StaticProc, reinterpret_cast<LPARAM>(this));
  if (!dialog_) return false;
  if (show) {
    ShowWindow(dialog_, SW_SHOW);
    SetForegroundWindow(dialog_);
  }
  return true;
}

INT_PTR ModelessDlg::FilterMessage(HWND, UINT, WPARAM, LPARAM) {
  return 0;
}
INT_PTR ModelessDlg::OnInitDialog(HWND) {
  return 1;
}
INT_PTR ModelessDlg::OnSysCommand(HWND, WPARAM, LPARAM) {
  return 0;
}
INT_PTR ModelessDlg::OnClose() {
  return 1;
}

INT_PTR ModelessDlg::OnCommand(HWND hwnd, WPARAM wParam, LPARAM) {
  if (HIWORD(wParam) != 0) return 1;
  if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) ShowWindow(hwnd, SW_HIDE);
  return 1;
}

INT_PTR ModelessDlg::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return RouteDialogMessage(*this, dialog_, hwnd, msg, wParam, lParam, [this, hwnd] {
    DestroyWindow(hwnd);
    dialog_ = nullptr;
  });
}

INT_PTR CALLBACK ModelessDlg::StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) SetPropA(hwnd, kModelessMark, hwnd);
  if (msg == WM_DESTROY) RemovePropA(hwnd, kModelessMark);
  return DispatchToObject<ModelessDlg>(hwnd, msg, wParam, lParam);
}

bool TranslateModelessKey(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !msg.hwnd) return false;
  HWND root = GetAncestor(msg.hwnd, GA_ROOT);
  if (!root || !GetPropA(root, kModelessMark)) return false;
  return IsDialogMessageA(root, &msg) != FALSE;
}
