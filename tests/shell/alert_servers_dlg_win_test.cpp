#include "shell/alert_servers_dlg_win.h"

#include <gtest/gtest.h>

#include <tuple>

#include "common/fixed_text.h"
#include "shell_fixture_win.h"

namespace {

using namespace alert_id;

std::string Text(HWND dialog, int id) {
  char text[600] = {};
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

void Command(HWND dialog, int id, WORD code = BN_CLICKED) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void ChooseSecurity(HWND dialog, MailSecurity security) {
  SendDlgItemMessageA(dialog, kSmtpSecurity, CB_SETCURSEL, static_cast<WPARAM>(security), 0);
  Command(dialog, kSmtpSecurity, CBN_SELCHANGE);
}

TEST(AlertServersDlgTest, UsualPortsFollowTheChoiceAndOnlyAnOkThatPassesStores) {
  ShellCapture capture;
  AlertServers servers;
  CopyText(servers.smtpHost, "mail.example.org");
  AlertServersDlg dialog(servers, capture.Services().messageBox);
  DialogScript script({[&] {
    HWND d = dialog.Handle();
    if (!d) return false;
    EXPECT_EQ(Text(d, kSmtpHost), "mail.example.org");
    ChooseSecurity(d, MailSecurity::kNone);
    EXPECT_EQ(Text(d, kSmtpPort), "25");
    SetDlgItemTextA(d, kSmtpPort, "2525");
    ChooseSecurity(d, MailSecurity::kStartTls);
    EXPECT_EQ(Text(d, kSmtpPort), "2525") << "a port of the user's own stays";
    SendDlgItemMessageA(d, kMqttTls, BM_CLICK, 0, 0);
    EXPECT_EQ(Text(d, kMqttPort), "8883");
    SetDlgItemTextA(d, kMaxEvents, "5000");
    Command(d, kOk);  // a mail server without sender
    EXPECT_EQ(capture.boxes.size(), 1u);
    EXPECT_EQ(GetFocus(), GetDlgItem(d, kMailFrom));
    EXPECT_EQ(servers.maxEvents, AlertServers{}.maxEvents) << "nothing stored before every field passes";
    SetDlgItemTextA(d, kMailFrom, "cam@example.org");
    SetDlgItemTextA(d, kMailTo, "me@example.org");
    ChooseSecurity(d, MailSecurity::kTls);
    Command(d, kOk);
    return true;
  }});
  EXPECT_EQ(dialog.Run(nullptr), 1);
  EXPECT_STREQ(servers.mailTo, "me@example.org");
  EXPECT_EQ(std::make_tuple(servers.smtpSecurity, servers.smtpPort, servers.mqttTls, servers.maxEvents),
            std::make_tuple(static_cast<int32_t>(MailSecurity::kTls), 2525, 1, 5000));
}

}  // namespace
