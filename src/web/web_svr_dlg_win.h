#pragma once
// The "Webserver Setup" dialog over the main window's live settings. Only
// its "&OK" button stores anything; Enter, Escape, "&Cancel" and closing the
// window leave the settings as they were.

#include <string>

#include "framework/apply_dlg_win.h"
#include "web/web_settings.h"

inline constexpr int kWebSvrDlgTemplate = 106;
inline constexpr int kIdWebEnabled = 1010;
inline constexpr int kIdRequireLogin = 1011;
inline constexpr int kIdUseHttps = 1012;
inline constexpr int kIdLocalOnly = 1013;
inline constexpr int kIdOwnCertificate = 1014;
inline constexpr int kIdRedirectHttp = 1015;
inline constexpr int kIdRedirectPort = 1046;
inline constexpr int kIdCertificatePath = 1044;
inline constexpr int kIdKeyPath = 1045;
inline constexpr int kIdListenPort = 1041;
inline constexpr int kIdUserName = 1042;
inline constexpr int kIdPassword = 1043;
inline constexpr int kIdWebStatus = 1025;
inline constexpr int kIdWebCancel = 1051;
inline constexpr int kIdWebOk = 1052;
inline constexpr int kProgramIcon = 199;

// Asked on "&OK" when the server would be open to anyone; the program's
// message box, or a stand-in in tests.
using WebSvrAskFunction = int(WINAPI*)(HWND, LPCSTR, LPCSTR, UINT);

inline constexpr char kEmptyLoginWarning[] =
    "Login is required, but the user name or the password is empty, so anyone can log in "
    "and watch your cameras without knowing anything.\n\nGo back and fill them in?";

class WebSvrDlg : public ApplyDlg {
 public:
  explicit WebSvrDlg(WebSettings& settings, WebSvrAskFunction ask = &MessageBoxA)
      : ApplyDlg(kIdWebOk, kIdWebCancel), settings_(settings), ask_(ask) {}
  // 1 after "&OK" (the settings are then updated), 2 otherwise.
  INT_PTR Run(HWND parent) { return ModalDlg::Run(parent, kWebSvrDlgTemplate); }

  // The dialog shows and stores `security` too, and `status` (where the
  // server is reached, the certificate's fingerprint) under it.
  void EditSecurity(WebSecurity& security, std::string status) {
    security_ = &security;
    status_ = std::move(status);
  }

  INT_PTR OnInitDialog(HWND hwnd) override;

 protected:
  // Stores the fields, unless the user goes back to an empty login.
  bool Apply(HWND hwnd) override;

 private:
  // True when the user chose to go back to an empty user name or password
  // of a server enabled with login required; the field then has the focus.
  bool GoBackToEmptyLogin(HWND hwnd);
  // True when HTTPS with the user's own files is chosen and they cannot be
  // used; the reason is shown and the dialog stays open.
  bool RefuseOwnCertificate(HWND hwnd, const WebSecurity& chosen);
  // Reads the redirect's choice into `chosen`; false, with the reason shown
  // and the port focused, when it is on with a port it cannot use.
  bool ReadRedirect(HWND hwnd, WebSecurity& chosen);

  WebSettings& settings_;
  WebSvrAskFunction ask_;
  WebSecurity* security_ = nullptr;
  std::string status_;
};
