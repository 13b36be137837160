#include "shell/alert_servers_dlg_win.h"

#include <commdlg.h>

#include <array>
#include <utility>

#include "events/alert_servers_check.h"
#include "framework/window_icon_win.h"
#include "shell/shell_icon_win.h"

using namespace alert_id;

namespace {

// The usual ports of no security, STARTTLS and TLS; of MQTT without and with TLS.
constexpr int32_t kMailPorts[] = {25, 587, 465};
constexpr int32_t kMqttPorts[] = {1883, 8883};

struct TextField {
  int id;
  char* text;
  int size;
};

std::array<TextField, 11> TextFields(AlertServers& s) {
  return {{{kSmtpHost, s.smtpHost, sizeof s.smtpHost},
           {kSmtpUser, s.smtpUser, sizeof s.smtpUser},
           {kSmtpPassword, s.smtpPassword, sizeof s.smtpPassword},
           {kMailFrom, s.mailFrom, sizeof s.mailFrom},
           {kMailTo, s.mailTo, sizeof s.mailTo},
           {kHookUrl, s.hookUrl, sizeof s.hookUrl},
           {kMqttHost, s.mqttHost, sizeof s.mqttHost},
           {kMqttUser, s.mqttUser, sizeof s.mqttUser},
           {kMqttPassword, s.mqttPassword, sizeof s.mqttPassword},
           {kMqttPrefix, s.mqttPrefix, sizeof s.mqttPrefix},
           {kTrustedCertificates, s.trustedCertificates, sizeof s.trustedCertificates}}};
}

std::array<std::pair<int, int32_t*>, 3> NumberFields(AlertServers& s) {
  return {{{kSmtpPort, &s.smtpPort}, {kMqttPort, &s.mqttPort}, {kMaxEvents, &s.maxEvents}}};
}

int FieldId(AlertField field) {
  switch (field) {
    case AlertField::kSmtpPort:
      return kSmtpPort;
    case AlertField::kMailFrom:
      return kMailFrom;
    case AlertField::kMailTo:
      return kMailTo;
    case AlertField::kHookUrl:
      return kHookUrl;
    case AlertField::kMqttPort:
      return kMqttPort;
    case AlertField::kMqttPrefix:
      return kMqttPrefix;
    default:
      return kMaxEvents;
  }
}

}  // namespace

INT_PTR AlertServersDlg::OnInitDialog(HWND hwnd) {
  SetWindowIcons(hwnd, kShellIcon);
  AlertServers shown = servers_;
  for (const TextField& field : TextFields(shown)) {
    SendDlgItemMessageA(hwnd, field.id, EM_LIMITTEXT, static_cast<WPARAM>(field.size - 1), 0);
    SetDlgItemTextA(hwnd, field.id, field.text);
  }
  for (const auto& [id, value] : NumberFields(shown)) SetDlgItemInt(hwnd, id, static_cast<UINT>(*value), FALSE);
  for (const char* choice : {"None", "STARTTLS", "TLS"})
    SendDlgItemMessageA(hwnd, kSmtpSecurity, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice));
  security_ = ClampAlertServers(shown).smtpSecurity;
  SendDlgItemMessageA(hwnd, kSmtpSecurity, CB_SETCURSEL, static_cast<WPARAM>(security_), 0);
  CheckDlgButton(hwnd, kMqttTls, shown.mqttTls ? BST_CHECKED : BST_UNCHECKED);
  return 1;
}

INT_PTR AlertServersDlg::OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  if (id == kSmtpSecurity && HIWORD(wParam) == CBN_SELCHANGE) {
    const int chosen = static_cast<int>(SendDlgItemMessageA(hwnd, kSmtpSecurity, CB_GETCURSEL, 0, 0));
    if (chosen < 0 || chosen > 2) return 1;
    FollowUsualPort(hwnd, kSmtpPort, kMailPorts[security_], kMailPorts[chosen]);
    security_ = chosen;
    return 1;
  }
  if (HIWORD(wParam) != 0) return 1;
  if (id == kMqttTls) {
    const bool tls = IsDlgButtonChecked(hwnd, kMqttTls) == BST_CHECKED;
    FollowUsualPort(hwnd, kMqttPort, kMqttPorts[!tls], kMqttPorts[tls]);
    return 1;
  }
  if (id == kBrowse) {
    BrowseCertificates(hwnd);
    return 1;
  }
  return ApplyDlg::OnCommand(hwnd, wParam, lParam);
}

void AlertServersDlg::FollowUsualPort(HWND hwnd, int portId, int32_t leftPort, int32_t newPort) const {
  BOOL read = FALSE;
  const UINT port = GetDlgItemInt(hwnd, portId, &read, FALSE);
  if (read && port == static_cast<UINT>(leftPort)) SetDlgItemInt(hwnd, portId, static_cast<UINT>(newPort), FALSE);
}

void AlertServersDlg::BrowseCertificates(HWND hwnd) const {
  char path[sizeof AlertServers::trustedCertificates] = {};
  GetDlgItemTextA(hwnd, kTrustedCertificates, path, sizeof path);
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = hwnd;
  dialog.lpstrFilter = "PEM certificates (*.pem, *.crt)\0*.pem;*.crt\0All files\0*.*\0";
  dialog.lpstrFile = path;
  dialog.nMaxFile = sizeof path;
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (GetOpenFileNameA(&dialog)) SetDlgItemTextA(hwnd, kTrustedCertificates, path);
}

bool AlertServersDlg::Apply(HWND hwnd) {
  AlertServers chosen = servers_;
  for (const TextField& field : TextFields(chosen)) GetDlgItemTextA(hwnd, field.id, field.text, field.size);
  for (const auto& [id, value] : NumberFields(chosen)) {
    BOOL read = FALSE;
    const UINT number = GetDlgItemInt(hwnd, id, &read, FALSE);
    // An empty or overlong field reads as 0, which no check lets pass.
    *value = read && number <= 0x7FFFFFFF ? static_cast<int32_t>(number) : 0;
  }
  chosen.smtpSecurity = security_;
  chosen.mqttTls = IsDlgButtonChecked(hwnd, kMqttTls) == BST_CHECKED ? 1 : 0;
  const AlertServersProblem problem = CheckAlertServers(chosen);
  if (problem.message) {
    ShowMessage(messageBox_, hwnd, problem.message, "Alert Servers", MB_OK | MB_ICONERROR);
    SetFocus(GetDlgItem(hwnd, FieldId(problem.field)));
    return false;
  }
  servers_ = chosen;
  return true;
}
