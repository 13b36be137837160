#include "web/web_svr_dlg_win.h"

#include "common/fixed_text.h"
#include "framework/window_icon_win.h"
#include "web/web_certificate_win.h"

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
  for (int id :
       {kIdUseHttps, kIdLocalOnly, kIdOwnCertificate, kIdCertificatePath, kIdKeyPath, kIdRedirectHttp, kIdRedirectPort})
    EnableWindow(GetDlgItem(hwnd, id), security_ != nullptr);
  if (!security_) return 1;
  CheckDlgButton(hwnd, kIdUseHttps, security_->useHttps ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hwnd, kIdLocalOnly, security_->localOnly ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hwnd, kIdOwnCertificate, security_->ownCertificate ? BST_CHECKED : BST_UNCHECKED);
  SetDlgItemTextA(hwnd, kIdCertificatePath, std::string(TextView(security_->certificatePath)).c_str());
  SetDlgItemTextA(hwnd, kIdKeyPath, std::string(TextView(security_->keyPath)).c_str());
  CheckDlgButton(hwnd, kIdRedirectHttp, security_->redirectHttp ? BST_CHECKED : BST_UNCHECKED);
  SetDlgItemInt(hwnd, kIdRedirectPort, static_cast<UINT>(security_->redirectPort), FALSE);
  SetDlgItemTextA(hwnd, kIdWebStatus, status_.c_str());
  return 1;
}

bool WebSvrDlg::RefuseOwnCertificate(HWND hwnd, const WebSecurity& chosen) {
  if (!chosen.useHttps || !chosen.ownCertificate) return false;
  std::string error;
  if (LoadWebTls(chosen, std::string(), error)) return false;
  ask_(hwnd, ("HTTPS cannot use these files:\n\n" + error).c_str(), "Webserver Setup", MB_OK | MB_ICONERROR);
  SetFocus(GetDlgItem(hwnd, kIdCertificatePath));
  return true;
}

bool WebSvrDlg::ReadRedirect(HWND hwnd, WebSecurity& chosen) {
  chosen.redirectHttp = IsDlgButtonChecked(hwnd, kIdRedirectHttp) == BST_CHECKED ? 1 : 0;
  BOOL read = FALSE;
  const UINT port = GetDlgItemInt(hwnd, kIdRedirectPort, &read, FALSE);
  const auto httpsPort = static_cast<uint16_t>(GetDlgItemInt(hwnd, kIdListenPort, nullptr, FALSE));
  const bool valid = read && IsValidRedirectPort(port, httpsPort);
  chosen.redirectPort = valid ? static_cast<int32_t>(port) : security_->redirectPort;
  // Without HTTPS there is nothing to redirect to, so the port is not asked.
  if (valid || !chosen.redirectHttp || !chosen.useHttps) return true;
  ask_(hwnd, "The port to redirect plain HTTP from must be a number from 1 to 65535 and not the HTTPS port.",
       "Webserver Setup", MB_OK | MB_ICONERROR);
  SetFocus(GetDlgItem(hwnd, kIdRedirectPort));
  return false;
}

bool WebSvrDlg::Apply(HWND hwnd) {
  if (GoBackToEmptyLogin(hwnd)) return false;
  WebSecurity chosen;
  if (security_) {
    chosen.useHttps = IsDlgButtonChecked(hwnd, kIdUseHttps) == BST_CHECKED ? 1 : 0;
    chosen.localOnly = IsDlgButtonChecked(hwnd, kIdLocalOnly) == BST_CHECKED ? 1 : 0;
    chosen.ownCertificate = IsDlgButtonChecked(hwnd, kIdOwnCertificate) == BST_CHECKED ? 1 : 0;
    GetDlgItemTextA(hwnd, kIdCertificatePath, chosen.certificatePath, sizeof chosen.certificatePath);
    GetDlgItemTextA(hwnd, kIdKeyPath, chosen.keyPath, sizeof chosen.keyPath);
    if (!ReadRedirect(hwnd, chosen) || RefuseOwnCertificate(hwnd, chosen)) return false;
    *security_ = chosen;
  }
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
