#pragma once
// The "Alert Servers" dialog: the mail server, the web hook and the MQTT
// broker every camera's alerts go to, the trusted certificates and the
// size of the event list. It edits a copy; only "&OK", once every field
// passes, stores it.

#include <utility>

#include "events/alert_settings.h"
#include "framework/apply_dlg_win.h"
#include "shell/shell_services_win.h"

inline constexpr int kAlertServersTemplate = 108;

namespace alert_id {
inline constexpr int kSmtpHost = 1041, kSmtpPort = 1042, kSmtpUser = 1043, kSmtpPassword = 1044, kMailFrom = 1045,
                     kMailTo = 1046, kHookUrl = 1047, kMqttHost = 1048, kMqttPort = 1049, kMqttUser = 1053,
                     kMqttPassword = 1054, kMqttPrefix = 1055, kTrustedCertificates = 1056, kMaxEvents = 1057;
// The drop-down lists none, STARTTLS and TLS in MailSecurity's order.
inline constexpr int kSmtpSecurity = 1031, kMqttTls = 1010, kBrowse = 1020, kCancel = 1051, kOk = 1052;
}  // namespace alert_id

class AlertServersDlg : public ApplyDlg {
 public:
  AlertServersDlg(AlertServers& servers, MessageBoxFn messageBox)
      : ApplyDlg(alert_id::kOk, alert_id::kCancel), servers_(servers), messageBox_(std::move(messageBox)) {}
  // 1 after "&OK" (the servers are then replaced), 2 otherwise.
  INT_PTR Run(HWND parent) { return ModalDlg::Run(parent, kAlertServersTemplate); }

  INT_PTR OnInitDialog(HWND hwnd) override;
  INT_PTR OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) override;

 protected:
  bool Apply(HWND hwnd) override;

 private:
  // A port field still holding the usual port of the choice left gets the
  // usual port of the new one.
  void FollowUsualPort(HWND hwnd, int portId, int32_t leftPort, int32_t newPort) const;
  void BrowseCertificates(HWND hwnd) const;

  AlertServers& servers_;
  MessageBoxFn messageBox_;
  int security_ = 0;  // the drop-down's choice before a change
};
