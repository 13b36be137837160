#include "web/web_svr_dlg_win.h"

#include "common/fixed_text.h"
#include "framework/window_icon_win.h"

namespace {
// Dialogs read at most 258 characters into the 260-character fields.
constexpr int kTextRead = 259;
}  // namespace

INT_PTR WebSvrDlg::OnInitDialog(HWND hwnd) {
  SetWindowIcons(hwnd, kProgramIcon);
  CheckDlgButton(hwnd, kIdWebEnabled, settings_.webEnabled ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hwnd, kIdRequireLogin, settings_.requireLogin ? BST_CHECKED : BST_UNCHECKED);
  SetDlgItemInt(hwnd, kIdListenPort, settings_.listenPort, FALSE);
  char text[sizeof settings_.userName];
  CopyText(text, TextView(settings_.userName));
  SetDlgItemTextA(hwnd, kIdUserName, text);
  CopyText(text, TextView(settings_.password));
  SetDlgItemTextA(hwnd, kIdPassword, text);
  return 1;
}

bool WebSvrDlg::Apply(HWND hwnd) {
  if (GoBackToEmptyLogin(hwnd)) return false;
  settings_.webEnabled = IsDlgButtonChecked(hwnd, kIdWebEnabled) == BST_CHECKED ? 1 : 0;
  settings_.requireLogin = IsDlgButtonChecked(hwnd, kIdRequireLogin) == BST_CHECKED ? 1 : 0;
  BOOL translated = FALSE;
  settings_.listenPort = static_cast<uint16_t>(GetDlgItemInt(hwnd, kIdListenPort, &translated, FALSE));
  char text[kTextRead] = {};
  GetDlgItemTextA(hwnd, kIdUserName, text, kTextRead);
  CopyText(settings_.userName, text);
  GetDlgItemTextA(hwnd, kIdPassword, text, kTextRead);
  CopyText(settings_.password, text);
  return true;
}

bool WebSvrDlg::GoBackToEmptyLogin(HWND hwnd) {
  if (IsDlgButtonChecked(hwnd, kIdWebEnabled) != BST_CHECKED) return false;
  if (IsDlgButtonChecked(hwnd, kIdRequireLogin) != BST_CHECKED) return false;
  const bool noUser = GetWindowTextLengthA(GetDlgItem(hwnd, kIdUserName)) == 0;
  const bool noPassword = GetWindowTextLengthA(GetDlgItem(hwnd, kIdPassword)) == 0;
  if (!noUser && !noPassword) return false;
  if (ask_(hwnd, kEmptyLoginWarning, "Webserver Setup", MB_YESNO | MB_ICONWARNING) != IDYES) return false;
  SetFocus(GetDlgItem(hwnd, noUser ? kIdUserName : kIdPassword));
  return true;
}
